#!/usr/bin/env bash
# Fuzzes the dialogue for a bounded number of inputs and seconds, starting
# from the committed seeds and the transcript inputs. New inputs go to a
# scratch folder, so the committed corpus stays as it is; a failing input is
# kept in the current folder as crash-*, oom-* or timeout-*.
#   tests/fuzz/run_fuzzer.sh [build folder] [inputs] [seconds]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-build-fuzz}"
runs="${2:-100000}"
seconds="${3:-60}"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cp "$here"/../transcripts/*.in "$scratch"/

# Lines longer than the 4,096-character limit must be within reach.
"$build/tests/fuzz/dialogue_fuzz" -runs="$runs" -max_total_time="$seconds" \
    -max_len=4400 -timeout=10 -dict="$here/dialogue.dict" -print_final_stats=1 \
    "$scratch" "$here/corpus"

#!/usr/bin/env bash
# Pipes generated entries through build/fedtax and prints entries per second,
# the wall time and the peak memory. A benchmark, not a test: nothing here
# passes or fails on a figure.
#   bench/throughput.sh [entries]        (default 100000; build first)
set -euo pipefail

entries=${1:-100000}
root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/build/fedtax"
[ -x "$program" ] || { echo "build the program first: cmake -S . -B build && cmake --build build" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs GNU time at /usr/bin/time (Debian package: time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every entry has its own number and an income that walks through all five
# brackets; every entry but the last is followed by "yes".
generate() {
    awk -v n="$1" 'BEGIN {
        for (i = 0; i < n; i++) {
            printf "%09d\n%d.%02d\n%s\n", i, (i * 7919) % 400000, i % 100, (i < n - 1) ? "yes" : "no"
        }
    }'
}

# Runs the program on file $1 and prints "seconds peak_kib".
measure() {
    /usr/bin/time -v -o "$work/time" "$program" <"$1" >/dev/null
    local wall peak
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$work/time")
    peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")
    echo "$wall $peak"
}

generate "$entries" >"$work/entries"
read -r wall peak < <(measure "$work/entries")
rate=$(awk -v n="$entries" -v s="$wall" 'BEGIN { if (s > 0) printf "%.0f", n / s; else print "more than " n * 100 }')
echo "entries:          $entries"
echo "wall time:        $wall s"
echo "entries/second:   $rate"
echo "peak memory:      $peak KiB"

# Memory must not grow with the number of entries, nor with the length of a
# line: compare with a run of 1,000 entries, and one whose first line is
# 100 MiB of digits.
generate 1000 >"$work/few"
read -r _ few_peak < <(measure "$work/few")
echo "peak, 1000 entries: $few_peak KiB"
{ head -c $((100 * 1024 * 1024)) /dev/zero | tr '\0' '7'; echo; generate 1; } >"$work/long"
read -r long_wall long_peak < <(measure "$work/long")
echo "peak, 100 MiB line: $long_peak KiB ($long_wall s)"

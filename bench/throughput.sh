#!/usr/bin/env bash
# Pipes generated entries through build/fedtax and prints entries per second,
# the wall time and the peak memory; then compares the wall time with that of
# the same dialogue written in plain C with stdio (bench/stdio_dialogue.c,
# same bytes, same writes), the median of several runs of each. A benchmark,
# not a test: nothing here passes or fails on a figure.
#   bench/throughput.sh [entries] [runs]   (default 100000 and 7; build first)
set -euo pipefail

entries=${1:-100000}
runs=${2:-7}
root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/build/fedtax"
[ -x "$program" ] || { echo "build the program first: cmake -S . -B build && cmake --build build" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs GNU time at /usr/bin/time (Debian package: time)" >&2; exit 2; }
command -v cc >/dev/null || { echo "needs a C compiler, cc" >&2; exit 2; }

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

# The same dialogue in C. Its output must be fedtax's, byte for byte, or the
# comparison means nothing.
yardstick="$work/stdio_dialogue"
cc -std=c99 -O2 -ffp-contract=off -o "$yardstick" "$root/bench/stdio_dialogue.c"
if ! cmp -s <("$program" <"$work/entries") <("$yardstick" <"$work/entries"); then
    echo "the C dialogue does not write what fedtax writes" >&2
    exit 1
fi

# Seconds, to the microsecond, that "$1" takes on the entries.
wall_of() {
    local start=$EPOCHREALTIME
    "$1" <"$work/entries" >/dev/null
    awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }'
}
median() { sort -n | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'; }

# Turn about, so that a change in the machine's load falls on both.
for ((i = 0; i < runs; i++)); do
    wall_of "$program" >>"$work/fedtax_walls"
    wall_of "$yardstick" >>"$work/c_walls"
done
fedtax_wall=$(median <"$work/fedtax_walls")
c_wall=$(median <"$work/c_walls")
echo "median of $runs runs: fedtax $fedtax_wall s, C with stdio $c_wall s," \
    "ratio $(awk -v a="$fedtax_wall" -v b="$c_wall" 'BEGIN { printf "%.2f", a / b }')"

# Wall times swing with the machine's load; instructions executed do not.
# Counted by callgrind over 10,000 entries, where valgrind is installed.
if command -v valgrind >/dev/null; then
    generate 10000 >"$work/counted"
    instructions_of() {
        valgrind --tool=callgrind --callgrind-out-file="$work/callgrind" "$1" \
            <"$work/counted" >/dev/null 2>&1
        awk '/^(summary|totals):/ { print $2; exit }' "$work/callgrind"
    }
    fedtax_count=$(instructions_of "$program")
    c_count=$(instructions_of "$yardstick")
    echo "instructions per entry: fedtax $((fedtax_count / 10000)), C with stdio $((c_count / 10000))," \
        "ratio $(awk -v a="$fedtax_count" -v b="$c_count" 'BEGIN { printf "%.2f", a / b }')"
fi

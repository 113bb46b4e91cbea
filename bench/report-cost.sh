#!/usr/bin/env bash
# What the salvage report costs a whole tervaline-scan process: each mode on
# the 512 MiB bench store without the report, with the default report, and
# with the store's SHA-256 too; the median wall-clock time (s) of RUNS runs
# of each, and its ratio to the run without the report. Output goes to
# /dev/shm, so that the file system's cost of making files stays small.
#   bench/report-cost.sh BUILD [RUNS]    BUILD holds cli/tervaline-scan and
#                                        bench/bench_scan (a Release build)
set -euo pipefail
build="${1:?usage: bench/report-cost.sh BUILD [RUNS]}"
runs="${2:-7}"
scan="${SCAN:-$build/cli/tervaline-scan}"
store="$("$build/bench/bench_scan" --store-only "$(dirname "$0")/.cache")"
out=/dev/shm/tervaline-report-cost
cat "$store" >/dev/null  # into the page cache

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_runs() {
  for _ in $(seq "$runs"); do
    rm -rf "$out"
    local t0 t1
    t0=$(date +%s.%N)
    "$scan" --quiet "$@" "$store" "$out" >/dev/null 2>&1 || true
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f\n", b - a}'
  done | median
}

# A program from before --hash-store hashed the store in every report.
hashes=no
if "$scan" --help 2>/dev/null | grep -q -- --hash-store; then hashes=yes; fi
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
printf '%-8s %10s %10s %6s %11s %6s\n' mode no-report report ratio hash-store ratio
for mode in shallow bottom deep; do
  bare=$(time_runs --mode "$mode" --no-report)
  report=$(time_runs --mode "$mode")
  if [ "$hashes" = yes ]; then
    hashed=$(time_runs --mode "$mode" --hash-store)
    printf '%-8s %10s %10s %6s %11s %6s\n' "$mode" "$bare" "$report" "$(ratio "$report" "$bare")" "$hashed" \
      "$(ratio "$hashed" "$bare")"
  else
    printf '%-8s %10s %10s %6s %11s %6s\n' "$mode" "$bare" "$report" "$(ratio "$report" "$bare")" - -
  fi
done
rm -rf "$out"

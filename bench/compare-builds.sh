#!/usr/bin/env bash
# Two builds of tervaline-scan side by side on the 512 MiB bench store, run
# in turns so that the load of a shared machine falls on both alike: for
# each mode, with and without the report, the median wall-clock and
# processor (user + system) seconds of RUNS runs of each, and new over old.
#   bench/compare-builds.sh OLD-BUILD NEW-BUILD [RUNS]
# Each BUILD holds cli/tervaline-scan (a Release build); the store is made
# by NEW-BUILD's bench/bench_scan, or taken from bench/.cache when there.
set -euo pipefail
old="${1:?usage: bench/compare-builds.sh OLD-BUILD NEW-BUILD [RUNS]}"
new="${2:?usage: bench/compare-builds.sh OLD-BUILD NEW-BUILD [RUNS]}"
runs="${3:-5}"
cache="$(dirname "$0")/.cache"
store="$cache/scan-512M.dbx"
[ -f "$store" ] || store="$("$new/bench/bench_scan" --store-only "$cache")"
out=/dev/shm/tervaline-compare-builds
cat "$store" >/dev/null  # into the page cache

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# One run: "wall cpu" in seconds.
run_once() {
  rm -rf "$out"
  /usr/bin/time -f '%e %U %S' -o /dev/shm/tervaline-compare-time "$1/cli/tervaline-scan" --quiet "${@:2}" \
    "$store" "$out" >/dev/null 2>&1 || true
  awk '{printf "%.3f %.3f\n", $1, $2 + $3}' /dev/shm/tervaline-compare-time
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }

printf '%-8s %-9s %9s %9s %6s %9s %9s %6s\n' mode report old-wall new-wall ratio old-cpu new-cpu ratio
for mode in shallow bottom deep; do
  for report in --no-report --report; do
    : >/dev/shm/tervaline-compare-old
    : >/dev/shm/tervaline-compare-new
    for _ in $(seq "$runs"); do
      run_once "$old" --mode "$mode" "$report" >>/dev/shm/tervaline-compare-old
      run_once "$new" --mode "$mode" "$report" >>/dev/shm/tervaline-compare-new
    done
    ow=$(cut -d' ' -f1 /dev/shm/tervaline-compare-old | median)
    nw=$(cut -d' ' -f1 /dev/shm/tervaline-compare-new | median)
    oc=$(cut -d' ' -f2 /dev/shm/tervaline-compare-old | median)
    nc=$(cut -d' ' -f2 /dev/shm/tervaline-compare-new | median)
    printf '%-8s %-9s %9s %9s %6s %9s %9s %6s\n' "$mode" "${report#--}" "$ow" "$nw" "$(ratio "$nw" "$ow")" \
      "$oc" "$nc" "$(ratio "$nc" "$oc")"
  done
done
rm -rf "$out" /dev/shm/tervaline-compare-*

#!/usr/bin/env bash
# Salvages the bundled sample store with the Windows tervaline-scan.exe under
# Wine and with the Linux build, in every mode, and fails unless both wrote
# the same message files with the same bytes, dated alike, the same report
# (report.csv byte for byte; report.json but for the paths and the times of
# the run) and the same mbox file (but for the time of the run in the From
# lines of messages without a date); the Windows run also goes through a
# store folder and an output folder with Japanese names. Then, on a large
# store, a second scan of a store that a first one holds must be refused,
# and Ctrl-C pressed in a terminal must stop the scan with the count printed
# and status 130.
#   tools/compare-windows-salvage.sh [BUILD-WINDOWS [BUILD-LINUX]]
# The Linux program is BUILD-LINUX's, else build-test's, or built on its own
# in build-compare/.
set -euo pipefail
cd "$(dirname "$0")/.."

windows_build="${1:-build-windows}"
exe="$(pwd)/$windows_build/cli/tervaline-scan.exe"
linux="${2:-build-test}/cli/tervaline-scan"
if [ ! -x "$linux" ]; then
  linux=build-compare/cli/tervaline-scan
  cmake -S . -B build-compare -DCMAKE_BUILD_TYPE=Release -DTERVALINE_GUI=OFF -DTERVALINE_TESTS=OFF \
    -DTERVALINE_BENCH=OFF >/dev/null
  cmake --build build-compare -j"$(nproc)" --target tervaline-scan >/dev/null
fi
export WINEPREFIX="${WINEPREFIX:-$(pwd)/$windows_build/wine}" WINEDEBUG=-all
wine=/usr/lib/wine/wine64

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The Japanese names: "store" and "output".
store_dir="$work/保存"
mkdir -p "$store_dir"
cp samples/damaged.dbx "$work/damaged.dbx"
cp samples/damaged.dbx "$store_dir/damaged.dbx"

# Wine sees the machine's root as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Whether two salvages of one store, each an output folder and an mbox
# file, wrote the same report and mbox file, the Windows one's message
# files dated as the Linux one's; says what differs.
same_report() {
  python3 - "$@" <<'PY'
import datetime, difflib, json, os, re, sys

def asctime(moment):
    return moment.strftime("%a %b ") + "%2d" % moment.day + moment.strftime(" %H:%M:%S %Y")

def load(folder, mbox):
    report = json.load(open(os.path.join(folder, "report.json"), encoding="utf-8"))
    head = report["head"]
    started = datetime.datetime.strptime(head.pop("started"), "%Y-%m-%dT%H:%M:%SZ")
    del head["ended"], head["store"]["path"], head["mbox"]["path"]
    # Messages without a date are dated by the start of the run.
    box = re.sub(rb"(?m)^(From \S+ )" + re.escape(asctime(started).encode()) + rb"$", rb"\1(started)",
                 open(mbox, "rb").read())
    dates = {}
    for row in report["messages"]:
        mtime = os.stat(os.path.join(folder, row["file"])).st_mtime
        dates[row["file"]] = (row["date_utc"], datetime.datetime.fromtimestamp(mtime, datetime.timezone.utc))
    return report, open(os.path.join(folder, "report.csv"), "rb").read(), box, dates

linux = load(sys.argv[1], sys.argv[2])
windows = load(sys.argv[3], sys.argv[4])
same = True
for what, a, b in zip(("report.json", "report.csv", "the mbox file"), linux, windows):
    if a != b:
        print("compare: %s differs from the Linux build's:" % what, file=sys.stderr)
        text = lambda x: (json.dumps(x, indent=1, ensure_ascii=False) if isinstance(x, dict)
                          else x.decode("utf-8", "replace")).splitlines()
        sys.stderr.writelines(line + "\n" for line in list(difflib.unified_diff(text(a), text(b), lineterm=""))[:40])
        same = False
# A message file with a Date is dated by it; one without keeps the time it
# was written.
for side in (linux, windows):
    for file, (date, mtime) in side[3].items():
        utc = datetime.timezone.utc
        if date and mtime != datetime.datetime.strptime(date, "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=utc):
            print("compare: %s is dated %s, its Date says %s" % (file, mtime, date), file=sys.stderr)
            same = False
sys.exit(0 if same else 1)
PY
}

failed=0
for mode in shallow bottom deep; do
  "$linux" --quiet --hash-store --mode "$mode" --mbox "$work/linux-$mode.mbox" "$work/damaged.dbx" \
    "$work/linux-$mode" >/dev/null
  "$wine" "$exe" --quiet --hash-store --mode "$mode" --mbox "$(winpath "$work/windows-$mode.mbox")" \
    "$(winpath "$work/damaged.dbx")" "$(winpath "$work/windows-$mode")" >"$work/windows-$mode.txt" 2>&1 || {
    cat "$work/windows-$mode.txt"
    failed=1
  }
  "$wine" "$exe" --quiet --hash-store --mode "$mode" --mbox "$(winpath "$store_dir/出力-$mode.mbox")" \
    "$(winpath "$store_dir/damaged.dbx")" "$(winpath "$store_dir/出力-$mode")" >"$work/japanese-$mode.txt" 2>&1 || {
    cat "$work/japanese-$mode.txt"
    failed=1
  }
  files=$(cd "$work/linux-$mode" && find . -type f -name '*.eml' | wc -l)
  reports=(-x report.csv -x report.json)
  if diff -r "${reports[@]}" "$work/linux-$mode" "$work/windows-$mode" >/dev/null &&
     diff -r "${reports[@]}" "$work/linux-$mode" "$store_dir/出力-$mode" >/dev/null; then
    echo "compare: $mode: $files message files byte-identical to the Linux build's, also under Japanese folder names"
  else
    echo "compare: $mode: the Windows build's files differ from the Linux build's" >&2
    diff -r "${reports[@]}" "$work/linux-$mode" "$work/windows-$mode" >&2 || true
    diff -r "${reports[@]}" "$work/linux-$mode" "$store_dir/出力-$mode" >&2 || true
    failed=1
  fi
  if same_report "$work/linux-$mode" "$work/linux-$mode.mbox" "$work/windows-$mode" "$work/windows-$mode.mbox" &&
     same_report "$work/linux-$mode" "$work/linux-$mode.mbox" "$store_dir/出力-$mode" "$store_dir/出力-$mode.mbox"; then
    echo "compare: $mode: report, mbox file and the message files' dates as the Linux build's"
  else
    failed=1
  fi
done

# A large store: the sample behind 300 more copies of itself, each behind
# 400,000 zero bytes; scanned with a one-kilobyte window it keeps a scan
# busy for seconds.
python3 - "$work/big.dbx" <<'PY'
import sys
sample = open("samples/damaged.dbx", "rb").read()
with open(sys.argv[1], "wb") as big:
    big.write(sample)
    for _ in range(300):
        big.write(bytes(400000))
        big.write(sample)
PY
big="$(winpath "$work/big.dbx")"
# Waits up to a minute for Path to exist.
await() { for _ in $(seq 600); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }

"$wine" "$exe" --quiet --mode bottom --buffer 1 "$big" "$(winpath "$work/held")" >/dev/null 2>&1 &
first=$!
if await "$work/held/00002AD4.eml"; then
  status=0
  "$wine" "$exe" --quiet "$big" "$(winpath "$work/second")" >"$work/second.txt" 2>&1 || status=$?
  if [ "$status" = 1 ] && grep -q "it is in use by another scan" "$work/second.txt"; then
    echo "compare: a second scan of a store that a first one holds is refused: $(grep -o 'it is in use.*' "$work/second.txt")"
  else
    echo "compare: a second scan of a held store was not refused (status $status):" >&2
    cat "$work/second.txt" >&2
    failed=1
  fi
else
  echo "compare: the first scan of the large store wrote nothing" >&2
  failed=1
fi
kill "$first" 2>/dev/null || true
wait "$first" 2>/dev/null || true

# Ctrl-C reaches a program through its console: Wine makes one of a
# terminal, which tmux provides.
session="tervaline-ctrl-c-$$"
tmux new-session -d -s "$session" -x 160 -y 40 \
  "WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all '$wine' '$exe' --quiet --mode bottom --buffer 1 '$big' \
   '$(winpath "$work/stopped")' >'$work/stopped.txt' 2>&1; echo \$? >'$work/stopped.status'"
if await "$work/stopped/00002AD4.eml"; then
  tmux send-keys -t "$session" C-c
  await "$work/stopped.status" || true
fi
tmux kill-session -t "$session" 2>/dev/null || true
written=$(find "$work/stopped" -maxdepth 2 -name '*.eml' 2>/dev/null | wc -l)
if [ "$(cat "$work/stopped.status" 2>/dev/null)" = 130 ] &&
   grep -q "messages found, $written written" "$work/stopped.txt" &&
   grep -q "stopped at 0x" "$work/stopped.txt" &&
   [ -z "$(find "$work/stopped" -name '*.partial')" ]; then
  echo "compare: Ctrl-C stopped the scan with status 130 and the count: $(grep 'messages found' "$work/stopped.txt")"
else
  echo "compare: Ctrl-C did not stop the scan as it should (status $(cat "$work/stopped.status" 2>/dev/null)):" >&2
  cat "$work/stopped.txt" >&2 2>/dev/null || true
  failed=1
fi
exit $failed

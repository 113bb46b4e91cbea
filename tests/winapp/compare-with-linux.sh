#!/usr/bin/env bash
# Salvages the bundled sample store through the Windows window under Wine,
# in every mode, as a user does it (the mode clicked, the store's path and
# an output folder typed, Enter), and fails unless it wrote the same message
# files with the same bytes as the Linux build's tervaline-scan.
#   tests/winapp/compare-with-linux.sh [BUILD-WINDOWS]
# Needs a display (DISPLAY; tools/run-tests.sh --windows starts a virtual
# one) and the Wine prefix of the build. The Linux program is build-test's,
# or built on its own in build-compare/.
set -euo pipefail
cd "$(dirname "$0")/../.."

windows_build="${1:-build-windows}"
drive="$(pwd)/$windows_build/tests/winapp/window_salvage.exe"
linux=build-test/cli/tervaline-scan
if [ ! -x "$linux" ]; then
  linux=build-compare/cli/tervaline-scan
  cmake -S . -B build-compare -DCMAKE_BUILD_TYPE=Release -DTERVALINE_GUI=OFF -DTERVALINE_TESTS=OFF \
    -DTERVALINE_BENCH=OFF >/dev/null
  cmake --build build-compare -j"$(nproc)" --target tervaline-scan >/dev/null
fi
export WINEPREFIX="${WINEPREFIX:-$(pwd)/$windows_build/wine}" WINEDEBUG=-all

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp samples/damaged.dbx "$work/damaged.dbx"
# Wine sees the machine's root as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

failed=0
if ! /usr/lib/wine/wine64 "$drive" "$(winpath "$work/damaged.dbx")" "$(winpath "$work/window")" >"$work/window.txt" 2>&1; then
  echo "compare-window: the window did not salvage the store:" >&2
  cat "$work/window.txt" >&2
  failed=1
fi
for mode in shallow bottom deep; do
  "$linux" --quiet --no-report --mode "$mode" "$work/damaged.dbx" "$work/linux-$mode" >/dev/null
  files=$(cd "$work/linux-$mode" && find . -type f | wc -l)
  # The report, which names paths and times of its own run, is held to the
  # Linux build's by tools/compare-windows-salvage.sh.
  reports=(-x report.csv -x report.json)
  if diff -r "${reports[@]}" "$work/linux-$mode" "$work/window/$mode" >/dev/null; then
    echo "compare-window: $mode: $files files byte-identical to the Linux build's: $(grep " $mode: [0-9]" "$work/window.txt" | cut -d' ' -f3-)"
  else
    echo "compare-window: $mode: the window's files differ from the Linux build's" >&2
    diff -r "${reports[@]}" "$work/linux-$mode" "$work/window/$mode" >&2 || true
    failed=1
  fi
done
exit $failed

#!/usr/bin/env bash
# Salvages the bundled sample store with the Windows tervaline-scan.exe under
# Wine and with the Linux build, in every mode, and fails unless both wrote
# the same message files with the same bytes; the Windows run also goes
# through a store folder and an output folder with Japanese names.
#   tools/compare-windows-salvage.sh [BUILD-WINDOWS]
# The Linux program is build-test's, or built on its own in build-compare/.
set -euo pipefail
cd "$(dirname "$0")/.."

windows_build="${1:-build-windows}"
exe="$(pwd)/$windows_build/cli/tervaline-scan.exe"
linux=build-test/cli/tervaline-scan
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

failed=0
for mode in shallow bottom deep; do
  "$linux" --quiet --no-report --mode "$mode" "$work/damaged.dbx" "$work/linux-$mode" >/dev/null
  "$wine" "$exe" --quiet --mode "$mode" "$(winpath "$work/damaged.dbx")" "$(winpath "$work/windows-$mode")" \
    >"$work/windows-$mode.txt" 2>&1 || { cat "$work/windows-$mode.txt"; failed=1; }
  "$wine" "$exe" --quiet --mode "$mode" "$(winpath "$store_dir/damaged.dbx")" \
    "$(winpath "$store_dir/出力-$mode")" >"$work/japanese-$mode.txt" 2>&1 || {
    cat "$work/japanese-$mode.txt"
    failed=1
  }
  files=$(cd "$work/linux-$mode" && find . -type f | wc -l)
  if diff -r "$work/linux-$mode" "$work/windows-$mode" >/dev/null &&
     diff -r "$work/linux-$mode" "$store_dir/出力-$mode" >/dev/null; then
    echo "compare: $mode: $files files byte-identical to the Linux build's, also under Japanese folder names"
  else
    echo "compare: $mode: the Windows build's files differ from the Linux build's" >&2
    diff -r "$work/linux-$mode" "$work/windows-$mode" >&2 || true
    diff -r "$work/linux-$mode" "$store_dir/出力-$mode" >&2 || true
    failed=1
  fi
done
exit $failed

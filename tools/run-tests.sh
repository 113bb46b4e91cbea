#!/usr/bin/env bash
# Sets up, builds everything warning-free, and runs every test.
#   tools/run-tests.sh              the ordinary build, in build-test/
#   tools/run-tests.sh --sanitize   AddressSanitizer + UBSan, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build-test
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTERVALINE_WERROR=ON)
case "${1:-}" in
  --sanitize) dir=build-asan; flags+=(-DTERVALINE_SANITIZE=ON -DTERVALINE_BENCH=OFF) ;;
  "") ;;
  *) echo "usage: tools/run-tests.sh [--sanitize]" >&2; exit 2 ;;
esac

bash tools/install-deps.sh
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$(pwd)/tools/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"

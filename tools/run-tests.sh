#!/usr/bin/env bash
# Sets up, builds everything warning-free, and runs every test.
#   tools/run-tests.sh              the ordinary build, in build-test/
#   tools/run-tests.sh --sanitize   AddressSanitizer + UBSan, in build-asan/
#   tools/run-tests.sh --tsan       ThreadSanitizer over the tests without a
#                                   window, in build-tsan/
#   tools/run-tests.sh --fuzz       every fuzz target for about a minute
#                                   each (libFuzzer, ASan + UBSan), in
#                                   build-fuzz/; FUZZ_SECONDS overrides
#   tools/run-tests.sh --windows    the programs cross-built for Windows with
#                                   MinGW-w64, their tests run under Wine (the
#                                   window's on a virtual display), and the zip
#                                   of tervaline.exe and tervaline-scan.exe,
#                                   in build-windows/
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build-test
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTERVALINE_WERROR=ON)
mode="${1:-}"
case "$mode" in
  --sanitize) dir=build-asan; flags+=(-DTERVALINE_SANITIZE=ON -DTERVALINE_BENCH=OFF) ;;
  --tsan) dir=build-tsan; flags+=(-DTERVALINE_TSAN=ON -DTERVALINE_GUI=OFF -DTERVALINE_BENCH=OFF) ;;
  --fuzz) ;;
  --windows) ;;
  "") ;;
  *) echo "usage: tools/run-tests.sh [--sanitize | --tsan | --fuzz | --windows]" >&2; exit 2 ;;
esac

if [ "$mode" = --windows ]; then
  # The window's tests run on a virtual display.
  TERVALINE_EXTRA_PACKAGES="g++-mingw-w64-x86-64-posix wine64 googletest tmux xvfb xauth ${TERVALINE_EXTRA_PACKAGES:-}" \
    bash tools/install-deps.sh
  dir=build-windows
  toolchain="$(pwd)/cmake/mingw-w64-x86_64.cmake"
  # GoogleTest from Debian's sources, built once with the cross compiler.
  gtest="$(pwd)/$dir/googletest"
  if [ ! -f "$gtest/install/lib/cmake/GTest/GTestConfig.cmake" ]; then
    cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest/install" >/dev/null
    cmake --build "$gtest/build" -j"$(nproc)" >/dev/null
    cmake --install "$gtest/build" >/dev/null
  fi
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${flags[@]}" \
    -DGTest_DIR="$gtest/install/lib/cmake/GTest" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
  cmake --build "$dir" --target package >/dev/null
  # A Wine prefix of the build's own, made once, readied for the window.
  export WINEPREFIX="$(pwd)/$dir/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -d "$WINEPREFIX" ]; then /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1; fi
  bash winapp/wine-setup.sh
  status=0
  # The window's tests, and its salvage compared with the Linux build's,
  # need a display: a virtual one for them all.
  xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" \
    bash -c 's=0; ctest --test-dir "$1" --output-on-failure -j"$(nproc)" || s=1
             bash tests/winapp/compare-with-linux.sh "$1" || s=1; exit $s' _ "$dir" || status=$?
  bash tools/compare-windows-salvage.sh "$dir" || status=$?
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  exit $status
fi

if [ "$mode" = --fuzz ]; then
  TERVALINE_EXTRA_PACKAGES="clang-14 libclang-rt-14-dev ${TERVALINE_EXTRA_PACKAGES:-}" bash tools/install-deps.sh
  dir=build-fuzz
  cmake -S fuzz -B "$dir" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$dir" -j"$(nproc)"
  seconds="${FUZZ_SECONDS:-60}"
  export ASAN_OPTIONS=detect_leaks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  status=0
  # target, largest input: a scan input must hold a store header and more.
  for entry in pattern:256 decode_escapes:256 scan:16384; do
    target="${entry%%:*}"
    maxLen="${entry##*:}"
    # New inputs go to a scratch corpus; the committed seeds are only read.
    mkdir -p "$dir/corpus/$target" "$dir/artifacts/$target"
    echo "fuzz: $target for ${seconds}s"
    if ! "$dir/fuzz_$target" -seed=1 -max_total_time="$seconds" -timeout=1 -max_len="$maxLen" -print_final_stats=1 \
        -artifact_prefix="$dir/artifacts/$target/" "$dir/corpus/$target" "fuzz/corpus/$target" \
        >"$dir/$target.log" 2>&1; then
      echo "fuzz: $target FAILED; the input is in $dir/artifacts/$target/" >&2
      tail -n 60 "$dir/$target.log" >&2
      status=1
    fi
  done
  exit $status
fi

bash tools/install-deps.sh
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$(pwd)/tools/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"

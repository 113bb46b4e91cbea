#!/usr/bin/env bash
# Sets up, builds, and salvages the bundled damaged sample store into
# out/damaged (the main job, end to end).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTERVALINE_TESTS=OFF -DTERVALINE_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target tervaline-scan
./build/cli/tervaline-scan --mode deep samples/damaged.dbx out/damaged
echo "The salvaged messages are in $(pwd)/out/damaged; report.csv there says what each one is"

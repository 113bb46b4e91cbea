#!/usr/bin/env bash
# Starts the window program on a virtual X display and saves a picture of
# its window to docs/screenshot.png.
#   tools/screenshot.sh [build-folder]      (default: build-app)
# Needs the Debian packages xvfb and xauth (xvfb-run), x11-apps (xwd) and
# netpbm (xwdtopnm, pnmtopng), and a Japanese font such as fonts-ipafont-gothic.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-app}
program=$build/app/tervaline
out=docs/screenshot.png
TERVALINE_EXTRA_PACKAGES="xvfb xauth x11-apps netpbm" bash tools/install-deps.sh
if [ ! -x "$program" ]; then
  cmake -S . -B "$build" -DTERVALINE_TESTS=OFF -DTERVALINE_BENCH=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target tervaline
fi
for tool in xvfb-run xwd xwdtopnm pnmtopng; do
  if ! command -v "$tool" >/dev/null; then
    echo "screenshot: $tool is missing (packages: xvfb xauth x11-apps netpbm)" >&2
    exit 1
  fi
done
mkdir -p "$(dirname "$out")"

# The inner script runs on the virtual display: start the program, wait
# until its window is mapped, grab the window, then close the program.
inner=$(mktemp)
trap 'rm -f "$inner"' EXIT
cat >"$inner" <<'INNER'
set -euo pipefail
program=$1; out=$2
QT_QPA_PLATFORM=xcb "$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
grabbed=no
for _ in $(seq 1 50); do
  sleep 0.2
  if xwd -silent -name Tervaline >"$out.xwd" 2>/dev/null; then
    grabbed=yes
    break
  fi
done
if [ "$grabbed" != yes ]; then
  echo "screenshot: the window did not appear" >&2
  exit 1
fi
# Let the first paint finish, then grab again.
sleep 1
xwd -silent -name Tervaline >"$out.xwd"
xwdtopnm "$out.xwd" 2>/dev/null | pnmtopng >"$out"
rm -f "$out.xwd"
INNER

xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" bash "$inner" "$program" "$out"
echo "screenshot: wrote $out"

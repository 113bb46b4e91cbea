#!/usr/bin/env bash
# Pictures of the Windows window under Wine on a virtual display, after a
# scan of a copy of samples/damaged.dbx whose path was typed into it and
# Enter pressed, in docs/:
#   screenshot-windows.png           built-in texts
#   screenshot-windows-german.png    samples/German.lng beside the program
#   screenshot-windows-japanese.png  samples/Japanese.lng (code page 932)
#
#   winapp/screenshot.sh [BUILD-WINDOWS]      (default: build-windows)
# Needs the cross-built tervaline.exe (tools/run-tests.sh --windows) and the
# Debian packages wine64, fonts-ipafont-gothic, xvfb, xauth, xdotool,
# x11-apps (xwd) and netpbm. A virtual display has no window manager: the
# pictures show the window's inside, without a frame.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-windows}
program=$build/winapp/tervaline.exe
if [ ! -f "$program" ]; then
  echo "screenshot: $program is missing; build it with tools/run-tests.sh --windows" >&2
  exit 1
fi
export WINEPREFIX="${WINEPREFIX:-$(pwd)/$build/wine}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash winapp/wine-setup.sh
mkdir -p docs

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs on the virtual display: start the program, wait for its window,
# type the store's path and Enter, wait for the scan to end, grab the
# window, then close the program.
cat >"$work/inner.sh" <<'INNER'
set -euo pipefail
program=$1; store=$2; out=$3
# Wine's desktop process keeps the display it was started on.
/usr/lib/wine/wineserver64 -k 2>/dev/null || true
/usr/lib/wine/wineserver64 -w
/usr/lib/wine/wine64 "$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; /usr/lib/wine/wineserver64 -k 2>/dev/null || true' EXIT
window=""
for _ in $(seq 1 100); do
  sleep 0.2
  window=$(xdotool search --onlyvisible --name '^Tervaline$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
done
if [ -z "$window" ]; then
  echo "screenshot: the window did not appear" >&2
  exit 1
fi
sleep 1
xdotool type --delay 20 "$store"
xdotool key Return
sleep 4
xwd -silent -id "$window" >"$out.xwd"
xwdtopnm "$out.xwd" 2>/dev/null | pnmtopng >"$out"
rm -f "$out.xwd"
INNER

# Wine sees the machine's root as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

shoot() {
  local name=$1 language=$2
  local dir="$work/$name"
  mkdir -p "$dir/program" "$dir/mail"
  # The program reads the language file that lies beside it.
  cp "$program" "$dir/program/tervaline.exe"
  if [ -n "$language" ]; then cp "$language" "$dir/program/"; fi
  cp samples/damaged.dbx "$dir/mail/Inbox.dbx"
  xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" \
    bash "$work/inner.sh" "$dir/program/tervaline.exe" "$(winpath "$dir/mail/Inbox.dbx")" "$(pwd)/docs/$name.png"
  echo "screenshot: wrote docs/$name.png"
}

shoot screenshot-windows ""
shoot screenshot-windows-german samples/German.lng
shoot screenshot-windows-japanese samples/Japanese.lng

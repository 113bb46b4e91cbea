#!/usr/bin/env bash
# Starts the window program on a virtual X display, types the path of a copy
# of samples/damaged.dbx into it, presses Enter, and once the scan has ended
# saves a picture of the window in docs/:
#   screenshot.png           built-in texts, every installed font
#   screenshot-dejavu.png    built-in texts, as on a desktop with DejaVu fonts only
#   screenshot-german.png    samples/German.lng, DejaVu fonts only
#   screenshot-japanese.png  samples/Japanese.lng, every installed font
#
#   tools/screenshot.sh [build-folder]      (default: build-app)
# Needs the Debian packages xvfb and xauth (xvfb-run), x11-apps (xwd),
# netpbm (xwdtopnm, pnmtopng), xdotool and fontconfig (fc-list), and the
# fonts install-deps.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-app}
program=$build/app/tervaline
packages="xvfb xauth x11-apps netpbm xdotool fontconfig"
TERVALINE_EXTRA_PACKAGES="$packages" bash tools/install-deps.sh
if [ ! -x "$program" ]; then
  cmake -S . -B "$build" -DTERVALINE_TESTS=OFF -DTERVALINE_BENCH=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target tervaline
fi
for tool in xvfb-run xwd xwdtopnm pnmtopng xdotool fc-list; do
  if ! command -v "$tool" >/dev/null; then
    echo "screenshot: $tool is missing (packages: $packages)" >&2
    exit 1
  fi
done
dejavu=$(fc-list -f '%{file}\n' 'DejaVu Sans' | head -n 1)
if [ -z "$dejavu" ]; then
  echo "screenshot: no DejaVu Sans font (package fonts-dejavu-core)" >&2
  exit 1
fi
mkdir -p docs

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A font set as a Western desktop without Japanese fonts has it: the system's
# usual rules, but only the folder that holds the DejaVu fonts.
cat >"$work/dejavu-only.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$(dirname "$dejavu")</dir>
  <cachedir>$work/font-cache</cachedir>
  <include ignore_missing="yes">/etc/fonts/conf.d</include>
</fontconfig>
CONF

# The inner script runs on the virtual display: start the program, wait for
# its window, type the store's path and Enter, wait for the scan to end,
# grab the window, then close the program.
cat >"$work/inner.sh" <<'INNER'
set -euo pipefail
program=$1; store=$2; out=$3
QT_QPA_PLATFORM=xcb "$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
window=""
for _ in $(seq 1 50); do
  sleep 0.2
  window=$(xdotool search --onlyvisible --name '^Tervaline$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
done
if [ -z "$window" ]; then
  echo "screenshot: the window did not appear" >&2
  exit 1
fi
sleep 0.5
xdotool windowfocus --sync "$window"
xdotool type --delay 5 "$store"
xdotool key Return
# The sample store takes well under a second; leave room for a slow machine.
sleep 3
xwd -silent -id "$window" >"$out.xwd"
xwdtopnm "$out.xwd" 2>/dev/null | pnmtopng >"$out"
rm -f "$out.xwd"
INNER

# Name, language file (or none), font configuration (or the system's).
shoot() {
  local name=$1 language=$2 fonts=$3
  local dir="$work/$name"
  mkdir -p "$dir/program" "$dir/mail"
  # The program reads the language file that lies beside it.
  cp "$program" "$dir/program/tervaline"
  if [ -n "$language" ]; then cp "$language" "$dir/program/"; fi
  cp samples/damaged.dbx "$dir/mail/Inbox.dbx"
  local out="docs/$name.png"
  local environment=()
  if [ -n "$fonts" ]; then environment=(FONTCONFIG_FILE="$fonts"); fi
  env "${environment[@]}" xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" \
    bash "$work/inner.sh" "$dir/program/tervaline" "$dir/mail/Inbox.dbx" "$(pwd)/$out"
  echo "screenshot: wrote $out"
}

shoot screenshot "" ""
shoot screenshot-dejavu "" "$work/dejavu-only.conf"
shoot screenshot-german samples/German.lng "$work/dejavu-only.conf"
shoot screenshot-japanese samples/Japanese.lng ""

#!/usr/bin/env bash
# Makes winapp/tervaline.ico, the window program's icon, from the drawing
# the desktop entry uses, at the sizes Windows asks for from 96 to 192 dpi.
# Needs the Debian packages librsvg2-bin (rsvg-convert) and icoutils
# (icotool). The icon is kept in the tree, so a build needs neither.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pngs=()
for size in 16 20 24 32 40 48 64 256; do
  rsvg-convert -w "$size" -h "$size" ../data/tervaline.svg -o "$work/$size.png"
  pngs+=("$work/$size.png")
done
# The largest stays PNG-compressed inside the icon, as Windows allows.
icotool -c -o tervaline.ico -r "$work/256.png" "${pngs[@]:0:7}"

#!/usr/bin/env bash
# Readies the Wine prefix in WINEPREFIX for the Windows window on a virtual
# display: makes the prefix if it is missing and puts winapp/wine-setup.reg
# in its registry: Japanese fonts for the faces the window asks for. Needs
# the Debian packages wine64 and fonts-ipafont-gothic.
set -euo pipefail
cd "$(dirname "$0")/.."
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=/usr/lib/wine/wine64
if [ ! -d "$WINEPREFIX" ]; then "$wine" wineboot --init >/dev/null 2>&1; fi
# The registry editor reads UTF-16 with a byte order mark.
reg="$WINEPREFIX/drive_c/tervaline-setup.reg"
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE winapp/wine-setup.reg; } >"$reg"
"$wine" regedit /S 'C:\tervaline-setup.reg'
/usr/lib/wine/wineserver64 -w

#!/usr/bin/env bash
# Deep mode over a 1 GiB E01 image beside ewfexport reading the same image
# to /dev/null: the image's own reader sets the pace a scan of it can reach.
#
#   bench/ewf/ewf-bench.sh SCANNER [CACHE]
#
# SCANNER is a Release build's tervaline-scan. The raw image (stores of the
# bundled sample at odd offsets among text, random bytes and zeros, as on a
# used disk) and its E01 image (deflate, fast) are made once under CACHE
# (default bench/.cache/ewf). Each figure is the best of three runs, by wall
# clock, with the page cache warm.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
scanner="$(realpath "$1")"
cache="${2:-$here/bench/.cache/ewf}"
mkdir -p "$cache"
cd "$cache"

if [ ! -f disk.E01 ]; then
  python3 - "$here/samples/damaged.dbx" <<'PY'
import random, sys
store = open(sys.argv[1], 'rb').read()
rng = random.Random(26)
words = [bytes(rng.choice(b'abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 9))) for _ in range(4000)]
text = b' '.join(rng.choice(words) for _ in range(300000))[:1 << 20]
size = 1 << 30
piece = 1 << 20
with open('disk.raw', 'wb') as out:
    for i in range(size // piece):
        kind = i % 4
        if kind == 0:
            block = bytearray(rng.randbytes(piece))
        elif kind == 1:
            block = bytearray(text[rng.randrange(1 << 16):] + text)[:piece]
        elif kind == 2:
            block = bytearray(piece)
        else:
            block = bytearray(rng.randbytes(piece // 2)) + bytearray(piece // 2)
        if i % 16 == 5:
            at = rng.randrange(1, piece - len(store)) | 1
            block[at:at + len(store)] = store
        out.write(block)
PY
  ewfacquire -u -q -t disk -c fast -S 2GiB disk.raw >/dev/null
  rm -f disk.raw
fi

best() {
  local b=""
  for _ in 1 2 3; do
    local s e
    s=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    e=$(date +%s.%N)
    b=$(python3 -c "a='$b'; t=$e-$s; print(t if a=='' else min(float(a), t))")
  done
  echo "$b"
}

out="${TMPDIR:-/tmp}/ewf-bench-out"
[ -d /dev/shm ] && out=/dev/shm/ewf-bench-out
cat disk.E01 >/dev/null
export=$(best ewfexport -u -q -f raw -t - disk.E01)
deep=$(best bash -c "rm -rf '$out' && '$scanner' --quiet --mode deep disk.E01 '$out'")
bottom=$(best bash -c "rm -rf '$out' && '$scanner' --quiet --mode bottom disk.E01 '$out'")
rm -rf "$out"
python3 - "$export" "$deep" "$bottom" <<'PY'
import sys
mib = 1024
e, d, b = (float(x) for x in sys.argv[1:])
print(f"ewfexport to /dev/null  {e:7.2f} s  {mib / e:7.1f} MiB/s")
print(f"deep scan               {d:7.2f} s  {mib / d:7.1f} MiB/s  {e / d:5.2f}x ewfexport")
print(f"bottom scan             {b:7.2f} s  {mib / b:7.1f} MiB/s  {e / b:5.2f}x ewfexport")
PY

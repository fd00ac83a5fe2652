#!/usr/bin/env bash
# End to end on a real X display: Adjust Brightness from the Colour menu, Preview, then OK;
# save with Ctrl+S and compare the file with vellum-batch's brighten=10 of the same picture.
#   adjust_e2e.sh <vellum executable> <vellum-batch executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v python3 >/dev/null || { echo "needs an X display, xdotool and python3"; exit 77; }

begin_run "$1"
picture=$work/picture.bmp

# A 160 x 120 picture with every channel varying.
python3 - "$picture" <<'PY'
import struct, sys
w, h = 160, 120
row = (3 * w + 3) & ~3
data = bytearray()
for y in range(h - 1, -1, -1):
    line = bytearray()
    for x in range(w):
        line += bytes(((x * y) % 256, (2 * y) % 256, (x + 40) % 256))
    data += line + bytes(row - 3 * w)
header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open(sys.argv[1], 'wb').write(header + info + data)
PY
"$2" "$picture" "$work/expected.bmp" brighten=10 2>/dev/null || fail "vellum-batch"

"$work/vellum" -NoSplash "$picture" 2>>"$work/log" & pid=$!
main=
for _ in $(seq 100); do
  main=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || fail "no main window"
sleep 1
xdotool windowfocus --sync "$main"
# File, Edit, View, Image, Colour: the Colour menu's first entry is Adjust Brightness.
xdotool key --clearmodifiers alt+f
sleep 0.3
for _ in 1 2 3 4; do xdotool key Right; sleep 0.2; done
xdotool key Return
dialog=
for _ in $(seq 50); do
  dialog=$(xdotool search --onlyvisible --name '^Adjust Brightness$' 2>/dev/null | head -n 1 || true)
  [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || fail "no Adjust Brightness dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool key --clearmodifiers alt+v
sleep 0.5
xdotool key --clearmodifiers Return
sleep 0.5
xdotool search --onlyvisible --name '^Adjust Brightness$' >/dev/null 2>&1 && fail "the dialog stayed open"
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+s
sleep 1

python3 - "$picture" "$work/expected.bmp" <<'PY' || fail "the saved picture is not the picture brightened once by 10"
import struct, sys
def pixels(name):
    data = open(name, 'rb').read()
    off, = struct.unpack_from('<I', data, 10)
    w, h = struct.unpack_from('<ii', data, 18)
    row = (3 * w + 3) & ~3
    return (w, h), [data[off + y * row: off + y * row + 3 * w] for y in range(abs(h))]
got, want = pixels(sys.argv[1]), pixels(sys.argv[2])
assert got == want, "differs"
PY
kill -0 "$pid" 2>/dev/null || fail "the program ended"
echo "adjust end to end: ok"

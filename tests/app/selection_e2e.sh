#!/usr/bin/env bash
# End to end on a real X display: open a picture, Select All, drag the selection 20 pixels
# right and 10 down, save with Ctrl+S while it floats, and read the saved file back.
#   selection_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v python3 >/dev/null || { echo "needs an X display, xdotool and python3"; exit 77; }

begin_run "$1"
picture=$work/picture.bmp

# A 200 x 150 picture without white: red = x, green = y + 1, blue = 100.
python3 - "$picture" <<'PY'
import struct, sys
w, h = 200, 150
row = (3 * w + 3) & ~3
data = bytearray()
for y in range(h - 1, -1, -1):
    line = bytearray()
    for x in range(w):
        line += bytes((100, y + 1, x))
    data += line + bytes(row - 3 * w)
header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open(sys.argv[1], 'wb').write(header + info + data)
PY

"$work/vellum" -NoSplash "$picture" 2>>"$work/log" & pid=$!
main=
for _ in $(seq 100); do
  main=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || fail "no main window"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$main")"
focus "$main"
xdotool key --clearmodifiers ctrl+a
sleep 0.5
# The document window opens at the client area's top-left; this point lies on its picture.
px=$((X + 100)); py=$((Y + 170))
xdotool mousemove "$px" "$py" mousedown 1
for i in $(seq 1 10); do xdotool mousemove $((px + 2 * i)) $((py + i)); sleep 0.05; done
xdotool mouseup 1
sleep 0.3
xdotool key --clearmodifiers ctrl+s
sleep 1

python3 - "$picture" <<'PY' || fail "the saved picture does not show the moved selection"
import struct, sys
data = open(sys.argv[1], 'rb').read()
off, = struct.unpack_from('<I', data, 10)
w, h = struct.unpack_from('<ii', data, 18)
row = (3 * w + 3) & ~3
def px(x, y):
    b, g, r = data[off + (h - 1 - y) * row + 3 * x: off + (h - 1 - y) * row + 3 * x + 3]
    return (r, g, b)
assert (w, h) == (200, 150), (w, h)
assert px(5, 5) == (255, 255, 255), px(5, 5)        # lifted, background white
assert px(30, 20) == (10, 11, 100), px(30, 20)      # the original (10, 10), moved
assert px(199, 149) == (179, 140, 100), px(199, 149)
PY
kill -0 "$pid" 2>/dev/null || fail "the program ended"
echo "selection end to end: ok"

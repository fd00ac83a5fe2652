#!/usr/bin/env bash
# End to end on a real X display: open a picture, draw a stroke with the pen's left button and
# one with its right button, save with Ctrl+S and find both colours; press Ctrl+Z while a third
# stroke is still held, finish it, undo both strokes, save again and find the original picture;
# redo them one by one.
#   tools_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v python3 >/dev/null || { echo "needs an X display, xdotool and python3"; exit 77; }

begin_run "$1"
picture=$work/picture.bmp

# A 200 x 150 picture with neither black nor white: red = x, green = y + 1, blue = 100.
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
cp "$picture" "$work/original.bmp"

# Counts of black and white pixels in the picture file, and whether its pixels are the original's.
check() {
  python3 - "$picture" "$work/original.bmp" <<'PY'
import struct, sys
def pixels(name):
    a = open(name, 'rb').read()
    off, = struct.unpack_from('<I', a, 10)
    w, h = struct.unpack_from('<ii', a, 18)
    row = (3 * w + 3) & ~3
    return [a[off + y * row + 3 * x: off + y * row + 3 * x + 3] for y in range(h) for x in range(w)]
now, before = pixels(sys.argv[1]), pixels(sys.argv[2])
print(sum(p == b'\0\0\0' for p in now), sum(p == b'\xff\xff\xff' for p in now), int(now == before))
PY
}

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
focus "$main" || fail "cannot focus the main window"
sleep 0.3

# The document window opens at the client area's top-left; these points lie on its picture.
stroke() { # button, x, y
  xdotool mousemove "$2" "$3" mousedown "$1"
  for i in $(seq 1 10); do xdotool mousemove $(($2 + 3 * i)) $(($3 + i)); sleep 0.03; done
  xdotool mouseup "$1"
  sleep 0.2
}
px=$((X + 60)); py=$((Y + 170))
# The first click only activates the document window.
xdotool mousemove "$px" "$py" click 1
sleep 0.3
xdotool key --clearmodifiers ctrl+z
stroke 1 "$px" "$py"
stroke 3 "$px" $((py + 30))
xdotool key --clearmodifiers ctrl+s
sleep 1
read -r black white same <<<"$(check)"
[ "$black" -gt 10 ] || fail "the left stroke painted no black ($black)"
[ "$white" -gt 10 ] || fail "the right stroke painted no white ($white)"
two_strokes="$black $white"

# Ctrl+Z during a held stroke ends it and undoes it; the rest of that drag paints nothing.
xdotool mousemove "$px" $((py + 50)) mousedown 1
xdotool mousemove $((px + 10)) $((py + 52))
sleep 0.2
xdotool key --clearmodifiers ctrl+z
xdotool mousemove $((px + 30)) $((py + 55))
xdotool mouseup 1
sleep 0.2
xdotool key --clearmodifiers ctrl+s
sleep 1
read -r black white same <<<"$(check)"
[ "$black $white" = "$two_strokes" ] || fail "the stroke went on after its undo ($black $white, before $two_strokes)"
xdotool key --clearmodifiers ctrl+z
xdotool key --clearmodifiers ctrl+z
sleep 0.3
xdotool key --clearmodifiers ctrl+s
sleep 1
read -r black white same <<<"$(check)"
[ "$same" = 1 ] || fail "after undoing every stroke the saved picture differs ($black black, $white white)"

# Redo brings the strokes back in their order: Ctrl+Y the left one, Ctrl+Shift+Z the right one.
xdotool key --clearmodifiers ctrl+y
sleep 0.3
xdotool key --clearmodifiers ctrl+s
sleep 1
read -r black white same <<<"$(check)"
[ "$black" -gt 10 ] && [ "$white" = 0 ] || fail "Ctrl+Y did not bring back the left stroke alone ($black black, $white white)"
xdotool key --clearmodifiers ctrl+shift+z
sleep 0.3
xdotool key --clearmodifiers ctrl+s
sleep 1
read -r black white same <<<"$(check)"
[ "$black $white" = "$two_strokes" ] || fail "Ctrl+Shift+Z did not bring back both strokes ($black $white, before $two_strokes)"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
echo "tools end to end: ok"

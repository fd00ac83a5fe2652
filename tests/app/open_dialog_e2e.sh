#!/usr/bin/env bash
# End to end on a real X display with a window manager: in the Open dialog a full path typed key
# by key (the name completion offering names meanwhile) and Enter open the picture; afterwards
# nothing of the dialog is left on screen and the next shortcut (Ctrl+N) works at once.
#   open_dialog_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v python3 >/dev/null \
  && command -v import >/dev/null || { echo "needs an X display, xdotool, ImageMagick's import and python3"; exit 77; }

begin_run "$1"
start_window_manager
mkdir "$work/pictures"
python3 - "$work/pictures" <<'PY'
import struct, sys
w, h = 40, 30
row = (3 * w + 3) & ~3
data = bytes(row * h)
header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
for name in ('picture1.bmp', 'picture2.bmp'):
    open(sys.argv[1] + '/' + name, 'wb').write(header + info + data)
PY

"$work/vellum" -NoSplash 2>>"$work/log" & pid=$!
main=
for _ in $(seq 100); do
  main=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || fail "no main window"
sleep 1
focus "$main" || fail "no focus"
others() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -vx "$main" || true; }
wait_named() {
  local i
  for ((i = 0; i < 50; i++)); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

xdotool key --clearmodifiers ctrl+o
wait_named '^Open Picture$' || fail "no Open Picture dialog"
sleep 0.5
xdotool type --delay 60 "$work/pictures/picture2.bmp"
sleep 0.5
xdotool key Return
sleep 1
# The completion list may take the first Enter for itself.
if xdotool search --onlyvisible --name '^Open Picture$' >/dev/null 2>&1; then
  xdotool key Return
  sleep 1
fi
xdotool search --onlyvisible --name '^Open Picture$' >/dev/null 2>&1 && fail "the Open dialog stayed"
# The opened picture (all black) shows in the document area, left of the side panel.
eval "$(xdotool getwindowgeometry --shell "$main")"
import -silent -window root -depth 8 "ppm:$work/shot.ppm"
python3 - "$work/shot.ppm" "$X" "$Y" "$WIDTH" "$HEIGHT" <<'PY' || fail "the picture does not show"
import sys
data = open(sys.argv[1], 'rb').read()
parts, at = [], 0
while len(parts) < 4:
    while data[at:at + 1].isspace():
        at += 1
    start = at
    while not data[at:at + 1].isspace():
        at += 1
    parts.append(data[start:at])
at += 1
w, h = int(parts[1]), int(parts[2])
x0, y0, ww, wh = map(int, sys.argv[2:6])
black = lambda x, y: data[at + 3 * (y * w + x): at + 3 * (y * w + x) + 3] == b'\0\0\0'
for y in range(y0, min(h, y0 + wh) - 20, 4):
    for x in range(x0, x0 + ww - 140, 4):
        if all(black(x + dx, y + dy) for dx in range(0, 30, 3) for dy in range(0, 20, 3)):
            sys.exit(0)
sys.exit(1)
PY
left=$(others)
[ -z "$left" ] && true || fail "windows of the dialog stay on screen: $(for w in $left; do xwininfo -id "$w" | head -n 2 | tail -n 1; done)"
focus "$main" || fail "no focus"
xdotool key --clearmodifiers ctrl+n
wait_named '^New Picture$' || fail "Ctrl+N after the Open dialog did nothing"
xdotool key --clearmodifiers Escape
kill -0 "$pid" 2>/dev/null || fail "the program ended"
echo "open dialog end to end: ok"

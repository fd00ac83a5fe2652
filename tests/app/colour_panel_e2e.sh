#!/usr/bin/env bash
# End to end on a real X display with a window manager: a click on the foreground swatch opens
# the colour dialog while the side panel stays open (the toolkit tells the blocked panel the
# pointer left), and it stays open after the dialog closes with the pointer still over it.
# Each state is read from a screenshot: an open panel shows the spectrum's saturated colours.
#   colour_panel_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v python3 >/dev/null \
  && command -v import >/dev/null || { echo "needs an X display, xdotool, ImageMagick's import and python3"; exit 77; }

begin_run "$1"
start_window_manager

"$work/vellum" -NoSplash 2>>"$work/log" & pid=$!
main=
for _ in $(seq 100); do
  main=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || fail "no main window"
sleep 1.5
focus "$main" || fail "no focus"
eval "$(xdotool getwindowgeometry --shell "$main")" # X, Y, WIDTH, HEIGHT of the client area

# Reads the right strip of the main window from a screenshot: "swatch x y" (the centre of the
# black foreground swatch, screen coordinates) and "saturated n" (pixels of strong colour).
strip() {
  import -silent -window root -depth 8 "ppm:$work/shot.ppm"
  python3 - "$work/shot.ppm" "$X" "$Y" "$WIDTH" "$HEIGHT" <<'PY'
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
def px(x, y):
    i = at + 3 * (y * w + x)
    return data[i], data[i + 1], data[i + 2]
left = max(0, x0 + ww - 110)
saturated = 0
black = None
for y in range(y0, min(h, y0 + wh)):
    for x in range(left, min(w, x0 + ww)):
        r, g, b = px(x, y)
        if max(r, g, b) - min(r, g, b) > 200:
            saturated += 1
        if black is None and (r, g, b) == (0, 0, 0) and x + 16 < w and y + 16 < h:
            if all(px(x + dx, y + dy) == (0, 0, 0) for dx in range(16) for dy in range(16)):
                black = (x + 8, y + 8)
print("saturated", saturated)
if black:
    print("swatch", *black)
PY
}

before=$(strip)
open_colours=$(echo "$before" | awk '$1 == "saturated" {print $2}')
[ "$open_colours" -gt 500 ] || fail "the side panel does not show open at the start: $before"
read -r _ sx sy <<<"$(echo "$before" | grep '^swatch' || echo "swatch - -")"
[ "$sx" != "-" ] || fail "no foreground swatch found"

xdotool mousemove "$sx" "$sy"
sleep 0.3
xdotool click 1
dialog=
for _ in $(seq 50); do
  dialog=$(xdotool search --onlyvisible --name '^Select Colou?r$' 2>/dev/null | head -n 1 || true)
  [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || fail "no colour dialog"
sleep 1.2 # three times the panel's delay
during=$(strip | awk '$1 == "saturated" {print $2}')
xdotool key --clearmodifiers Escape
sleep 1.2
after=$(strip | awk '$1 == "saturated" {print $2}')
xdotool search --onlyvisible --name '^Select Colou?r$' >/dev/null 2>&1 && fail "the colour dialog stayed open"
# The dialog may cover part of the panel: most of the spectrum still shows.
[ "$during" -gt $((open_colours / 3)) ] || fail "the side panel collapsed while the dialog was open ($during of $open_colours)"
[ "$after" -gt $((open_colours * 9 / 10)) ] || fail "the side panel is collapsed after the dialog ($after of $open_colours)"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
echo "colour panel end to end: ok"

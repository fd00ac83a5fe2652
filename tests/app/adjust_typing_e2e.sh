#!/usr/bin/env bash
# End to end on a real X display with a window manager: in Gamma Correct, an emptied-out "-"
# with Enter is refused by name and the dialog stays; then "2.5" typed key by key and Alt+O
# apply gamma 2.5. The saved picture must equal vellum-batch's gamma=2.5 of the same picture.
#   adjust_typing_e2e.sh <vellum executable> <vellum-batch executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v python3 >/dev/null || { echo "needs an X display, xdotool and python3"; exit 77; }

begin_run "$1"
# Focus changes as on a desktop: a window manager, unless one already runs.
start_window_manager
picture=$work/picture.bmp

python3 - "$picture" <<'PY'
import struct, sys
w, h = 96, 64
row = (3 * w + 3) & ~3
data = bytearray()
for y in range(h - 1, -1, -1):
    line = bytearray()
    for x in range(w):
        line += bytes(((x * y) % 256, (3 * y) % 256, (2 * x + 20) % 256))
    data += line + bytes(row - 3 * w)
header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open(sys.argv[1], 'wb').write(header + info + data)
PY
"$2" "$picture" "$work/expected.bmp" gamma=2.5 2>/dev/null || fail "vellum-batch"

"$work/vellum" -NoSplash "$picture" 2>>"$work/log" & pid=$!
main=
for _ in $(seq 100); do
  main=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || fail "no main window"
sleep 1
focus "$main" || fail "no focus"
# File, Edit, View, Image, Colour: the Colour menu's second entry is Gamma Correct.
xdotool key --clearmodifiers alt+f
sleep 0.3
for _ in 1 2 3 4; do xdotool key Right; sleep 0.2; done
xdotool key Down
sleep 0.2
xdotool key Return
# The first visible window named $1 other than the main window (whose caption is "Vellum" too).
named() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -vx "$main" | head -n 1 || true
}
wait_window() {
  local found= i
  for ((i = 0; i < 50; i++)); do
    found=$(named "$1")
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}
dialog=$(wait_window '^Gamma Correction$')
[ -n "$dialog" ] || fail "no Gamma Correction dialog"
focus "$dialog" || true
sleep 0.3

# The selected "1.00" replaced by "-", then Enter: the message names the value, the dialog stays.
xdotool type --delay 120 -- '-'
xdotool key --clearmodifiers Return
message=$(wait_window '^Vellum$')
[ -n "$message" ] || fail "Enter on '-' showed no message"
focus "$message" || true
xdotool key --clearmodifiers Return
sleep 0.5
[ -z "$(named '^Vellum$')" ] || fail "the message stayed"
xdotool search --onlyvisible --name '^Gamma Correction$' >/dev/null 2>&1 || fail "the dialog closed on invalid text"

# "2.5" typed key by key over the refused text, then Alt+O.
focus "$dialog" || true
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 150 '2.5'
sleep 0.3
xdotool key --clearmodifiers alt+o
sleep 1
xdotool search --onlyvisible --name '^Gamma Correction$' >/dev/null 2>&1 && fail "the dialog stayed open after 2.5"
[ -n "$(named '^Vellum$')" ] && fail "2.5 was refused"
focus "$main" || fail "no focus"
xdotool key --clearmodifiers ctrl+s
sleep 1

python3 - "$picture" "$work/expected.bmp" <<'PY' || fail "the saved picture is not the picture gamma corrected by 2.5"
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
echo "adjust typing end to end: ok"

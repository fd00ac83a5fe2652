#!/usr/bin/env bash
# End to end on a real X display, as a user with the keyboard: closing with modified pictures
# (No then Cancel keeps every window; Yes whose save dialog is cancelled keeps the window), a
# name typed without an extension, a save that fails, an undo past a save, and a truncated JPEG.
#   editor_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] || { echo "needs an X display"; exit 77; }
for tool in xdotool xprop convert; do
  command -v "$tool" >/dev/null || { echo "needs $tool"; exit 77; }
done

begin_run "$1"

# Waits up to 10 seconds for a visible window of the program whose title matches $1; prints its id.
window() {
  local i w
  for ((i = 0; i < 100; i++)); do
    w=$(xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
gone() {
  local i
  for ((i = 0; i < 50; i++)); do
    xdotool search --all --onlyvisible --pid "$pid" --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
# Keys for the focused window, once it has settled. Without a window manager a modal dialog
# takes the focus by itself.
keys() {
  sleep 0.7
  xdotool key --clearmodifiers "$@"
}
start() {
  "$work/vellum" -NoSplash "$@" 2>>"$work/log" & pid=$!
  main=$(window '^Vellum') || fail "no main window"
  # Its first show opens the files named and places the windows; keys wait for that.
  sleep 1
  focus "$main"
}
# A new picture made with Ctrl+N and its dialog's defaults, then changed by a dot of the pen,
# the tool at start.
new_changed_picture() {
  keys ctrl+n
  window '^New Picture$' >/dev/null || fail "Ctrl+N showed no New Picture dialog"
  keys Return
  gone '^New Picture$' || fail "the New Picture dialog stayed"
  sleep 0.5
  xdotool mousemove --window "$main" 200 300 click 1
  keys Delete
}
exit_by_menu() {
  focus "$main" 2>/dev/null || true
  keys alt+f
  keys x
}
ended() {
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || { pid=; return 0; }; sleep 0.1; done
  return 1
}
# Answers the save prompt in front with key $1; the next prompt may follow at once.
answer_confirm() {
  local box i
  box=$(window '^Confirm$') || fail "$2: no save prompt"
  keys "$1"
  for ((i = 0; i < 50; i++)); do
    xdotool search --all --onlyvisible --pid "$pid" --name '^Confirm$' 2>/dev/null | grep -qx "$box" || return 0
    sleep 0.1
  done
  fail "$2: the prompt stayed"
}

# Exit with two modified pictures, No for one and Cancel for the other: the exit stops and both
# are still there, so a second Exit asks twice again.
start
new_changed_picture
new_changed_picture
exit_by_menu
answer_confirm n "first exit"
answer_confirm Escape "first exit"
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "Cancel did not stop the exit"
exit_by_menu
answer_confirm n "second exit"
answer_confirm n "second exit"
ended || fail "the second exit did not end the program"

# Yes, then Cancel in the save dialog: the picture stays; Yes, then a name: saved with the
# selected filter's extension, and the program ends.
start
new_changed_picture
exit_by_menu
answer_confirm y "Yes with a cancelled save"
window '^Save Picture$' >/dev/null || fail "Yes showed no save dialog"
keys Escape
gone '^Save Picture$' || fail "the save dialog stayed"
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "a cancelled save closed the program"
exit_by_menu
answer_confirm y "Yes with a name"
window '^Save Picture$' >/dev/null || fail "Yes showed no save dialog"
sleep 0.7
xdotool type --delay 20 "$work/np4"
keys Return
ended || fail "the exit did not end after the save"
[ -s "$work/np4.bmp" ] || fail "the prompt's save did not write np4.bmp"
[ ! -e "$work/np4" ] || fail "the prompt's save wrote a name without extension"

# Ctrl+S on a new picture, a name typed without extension; then Save As x.png fails with an
# error box and writes nothing.
start
new_changed_picture
keys ctrl+s
window '^Save Picture$' >/dev/null || fail "Ctrl+S showed no save dialog"
sleep 0.7
xdotool type --delay 20 "$work/np3"
keys Return
gone '^Save Picture$' || fail "the save dialog stayed"
for _ in $(seq 30); do [ -s "$work/np3.bmp" ] && break; sleep 0.1; done
[ -s "$work/np3.bmp" ] || fail "Ctrl+S did not write np3.bmp"
# Without a window manager nobody gives the focus back when a dialog closes.
focus "$main"
keys ctrl+shift+s
window '^Save Picture$' >/dev/null || fail "Ctrl+Shift+S showed no save dialog"
sleep 0.7
keys ctrl+a
xdotool type --delay 20 "$work/x.png"
keys Return
box=$(window '^Error$') || fail "a PNG name gave no error box"
focus "$box"
keys Return
[ ! -e "$work/x.png" ] || fail "a refused save wrote x.png"
exit_by_menu
ended || fail "Exit did not end the program"

# Change, Save, Undo: the picture shown is no longer the one saved, so Exit asks.
convert -size 300x200 xc:skyblue "BMP3:$work/sky.bmp"
start "$work/sky.bmp"
xdotool mousemove --window "$main" 200 300 click 1
keys Delete
keys ctrl+s
sleep 0.5
keys ctrl+z
exit_by_menu
answer_confirm n "exit after an undo past a save"
ended || fail "the exit did not end the program"

# The first part of a JPEG opens with a word that it is incomplete.
convert -size 600x400 xc:gray +noise Random -quality 90 "$work/photo.jpg"
head -c 20000 "$work/photo.jpg" >"$work/part.jpg"
start "$work/part.jpg"
box=$(window '^Information$') || fail "a truncated JPEG opened without a word"
focus "$box"
keys Return
exit_by_menu
ended || fail "Exit did not end the program"
echo "editor end to end: ok"

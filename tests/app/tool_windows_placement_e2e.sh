#!/usr/bin/env bash
# End to end on a real X display with a window manager: without settings the Viewer and the
# Clipboard Viewer open at their designed sizes centred on the main window as it is shown, the
# Viewer's view panel showing a 200 x 161 part of a large picture (its 206 x 167 panel less the
# panel's border); a stored size and place come back, also after a start with the splash and a
# folder on the command line.
#   tool_windows_placement_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v xprop >/dev/null && command -v openbox >/dev/null &&
  command -v import >/dev/null && command -v convert >/dev/null ||
  { echo "needs an X display, xdotool, xprop, openbox and ImageMagick"; exit 77; }

begin_run "$1"
step=0
fail() { echo "FAIL (step $step): $*"; grep -v XDG_RUNTIME "$work/log" 2>/dev/null || true; exit 1; }
settings=$work/Vellum.xml
# The placement is what a user's desktop does with it: a window manager frames the windows.
start_window_manager
mkdir "$work/pictures"
convert -size 400x300 xc:red "$work/pictures/red.bmp"

start() { "$work/vellum" "$@" 2>>"$work/log" & pid=$!; }

# Waits for the program's visible window whose whole name matches $1; prints its id.
window_named() {
  local w
  for _ in $(seq 100); do
    w=$(xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
# "x y w h" of a window's client rectangle.
geometry() {
  xdotool getwindowgeometry --shell "$1" |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}'
}
# "x y w h" of the rectangle the user sees: the client with the window manager's frame.
frame_geometry() {
  local x y w h l r t b
  read -r x y w h <<<"$(geometry "$1")"
  read -r l r t b <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ,)"
  echo "$((x - ${l:-0})) $((y - ${t:-0})) $((w + ${l:-0} + ${r:-0})) $((h + ${t:-0} + ${b:-0}))"
}
# Doubled centre "cx cy" of a rectangle "x y w h" (no halves lost).
centre2() { echo "$(($1 * 2 + $3)) $(($2 * 2 + $4))"; }
# Fails unless window $2 is centred on the main window's frame within 3 pixels, more the main
# window's frame on each side: the toolkit and the window manager may disagree about where a
# framed window's client lies (the gravity of its position), and the toolkit knows only its own.
expect_centred() {
  local mx my wx wy l r t b
  read -r mx my <<<"$(centre2 $(frame_geometry "$main"))"
  read -r wx wy <<<"$(centre2 $(frame_geometry "$2"))"
  read -r l r t b <<<"$(xprop -id "$main" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ,)"
  local dx=$(((mx - wx) / 2)) dy=$(((my - wy) / 2)) tx=$((3 + ${l:-0})) ty=$((3 + ${t:-0}))
  [ "$dx" -ge "-$tx" ] && [ "$dx" -le "$tx" ] && [ "$dy" -ge "-$ty" ] && [ "$dy" -le "$ty" ] ||
    fail "$1 at '$(frame_geometry "$2")' is not centred on the main window at '$(frame_geometry "$main")'"
}
# Chooses the View menu's entry $1 (1 the Viewer, 2 the Clipboard Viewer): the menu bar is
# entered at File, two titles to the right is View.
view_command() {
  focus "$main"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key Escape Right Right Down
  sleep 0.3
  for ((i = 1; i < $1; i++)); do xdotool key Down; sleep 0.1; done
  xdotool key Return
}
exit_by_menu() {
  focus "$main"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key x
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || { pid=; return 0; }; sleep 0.1; done
  fail "Exit did not end the program"
}
# The size "w h" of the red part of window $1 as it shows on the screen.
red_size() {
  import -silent -window "$1" "$work/shot.png"
  convert "$work/shot.png" -fill black +opaque red -trim -format '%w %h' info:
}
viewer_value() { sed -n '/<Viewer>/,/<\/Viewer>/p' "$settings" | sed -n "s:.*<$1>\(.*\)</$1>.*:\1:p"; }
set_viewer_value() {
  sed -i "/<Viewer>/,/<\/Viewer>/s:<$1>[^<]*<:<$1>$2<:" "$settings"
  [ "$(viewer_value "$1")" = "$2" ] || fail "could not set $1"
}

# 1. No settings: View > Viewer opens it at its designed size, centred on the main window
step=1
# where that is when it opens (moved since the start).
start -NoSplash "$work/pictures/red.bmp"
main=$(window_named Vellum) || fail "no main window"
sleep 0.5
xdotool windowmove --sync "$main" 60 40
sleep 0.5
view_command 1
viewer=$(window_named Viewer) || fail "View > Viewer showed no Viewer"
sleep 0.5
expect_centred Viewer "$viewer"
[ "$(red_size "$viewer")" = "200 161" ] || fail "the Viewer shows a '$(red_size "$viewer")' part of the picture, expected '200 161'"
read -r vx vy vw vh <<<"$(geometry "$viewer")"

# 2. The Clipboard Viewer likewise, at least its designed contents' size.
step=2
view_command 2
cbviewer=$(window_named 'Clipboard Viewer') || fail "View > Clipboard Viewer showed nothing"
sleep 0.5
expect_centred 'Clipboard Viewer' "$cbviewer"
read -r _ _ cw ch <<<"$(geometry "$cbviewer")"
[ "$cw" -ge 220 ] && [ "$ch" -ge 210 ] || fail "the Clipboard Viewer opened ${cw} x ${ch}"
exit_by_menu
[ "$(viewer_value Width) $(viewer_value Height)" = "$vw $vh" ] || fail "size '$(viewer_value Width) $(viewer_value Height)' saved, expected '$vw $vh'"

# 3. The next start brings back the place and size.
step=3
start -NoSplash
main=$(window_named Vellum) || fail "no main window"
viewer=$(window_named Viewer) || fail "the Viewer is not shown again at start"
sleep 0.5
[ "$(geometry "$viewer")" = "$vx $vy $vw $vh" ] || fail "after a restart the Viewer is at '$(geometry "$viewer")', expected '$vx $vy $vw $vh'"
exit_by_menu

# 4. A stored size comes back also after the splash with a folder on the command line.
step=4
set_viewer_value Left 100
set_viewer_value Top 80
set_viewer_value Width 260
set_viewer_value Height 240
start "$work/pictures"
viewer=$(window_named Viewer) || fail "the Viewer is not shown after the splash"
main=$(window_named 'Vellum( - .*)?') || fail "no main window" # its caption names the maximised browser
sleep 1
[ "$(geometry "$viewer")" = "100 80 260 240" ] || fail "after the splash the Viewer is at '$(geometry "$viewer")', expected '100 80 260 240'"
exit_by_menu
echo "tool windows placement e2e: ok"

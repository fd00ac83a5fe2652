#!/usr/bin/env bash
# End to end on a real X display: a pinned Viewer keeps its distance from the main window's
# top-right corner when the main window moves or changes size, and its place, pin, frame and
# visibility are in the settings after exit and come back at the next start, also when it was
# docked in the side panel at exit.
#   viewer_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v xprop >/dev/null && command -v xwininfo >/dev/null ||
  { echo "needs an X display, xdotool, xprop and xwininfo"; exit 77; }

begin_run "$1"
# An X server resets when its last client leaves: one client stays connected between runs.
settings=$work/Vellum.xml

start() { "$work/vellum" -NoSplash 2>>"$work/log" & pid=$!; }

# Waits for the program's visible window named exactly $1; prints its id.
window_named() {
  local w
  for _ in $(seq 100); do
    w=$(xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
# "x y w h" of a window.
geometry() {
  xdotool getwindowgeometry --shell "$1" |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}'
}
# The distance kept: main right edge - viewer right edge, main top - viewer top.
distance() {
  local mx my mw mh vx vy vw vh
  read -r mx my mw mh <<<"$(geometry "$main")"
  read -r vx vy vw vh <<<"$(geometry "$viewer")"
  echo "$((mx + mw - vx - vw)) $((my - vy))"
}
exit_by_menu() {
  focus "$main"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key x
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || { pid=; return 0; }; sleep 0.1; done
  fail "Exit did not end the program"
}
# A value under the Viewer's key, or under the main window's.
viewer_value() { sed -n '/<Viewer>/,/<\/Viewer>/p' "$settings" | sed -n "s:.*<$1>\(.*\)</$1>.*:\1:p"; }
main_value() { sed -n "s:.*<$1>\(.*\)</$1>.*:\1:p" "$settings" | head -n 1; }
set_viewer_value() {
  sed -i "/<Viewer>/,/<\/Viewer>/s:<$1>[^<]*<:<$1>$2<:" "$settings"
  [ "$(viewer_value "$1")" = "$2" ] || fail "could not set $1"
}

# 1. A first run writes the settings; the Viewer is hidden by default.
start
main=$(window_named Vellum) || fail "no main window"
window_named Viewer >/dev/null 2>&1 && fail "Viewer shown without being asked"
exit_by_menu
[ "$(main_value ViewerIsVisible)" = "No" ] || fail "ViewerIsVisible not written as No"

# 2. Pinned with a kept distance, shown at start: it follows the main window.
sed -i -e 's:<ViewerIsVisible>[^<]*<:<ViewerIsVisible>Yes<:' \
       -e 's:<WinNormLeft>[^<]*<:<WinNormLeft>100<:' -e 's:<WinNormTop>[^<]*<:<WinNormTop>60<:' \
       -e 's:<WinNormRight>[^<]*<:<WinNormRight>600<:' -e 's:<WinNormBottom>[^<]*<:<WinNormBottom>460<:' "$settings"
set_viewer_value Pinned Yes
set_viewer_value XDiff 10
set_viewer_value YDiff -20
set_viewer_value DisplayFrame Yes
start
main=$(window_named Vellum) || fail "no main window"
viewer=$(window_named Viewer) || fail "Viewer not shown at start"
sleep 0.5
[ "$(distance)" = "10 -20" ] || fail "distance at start is '$(distance)', expected '10 -20'"
xdotool windowmove --sync "$main" 160 90
sleep 0.5
[ "$(distance)" = "10 -20" ] || fail "distance after a move is '$(distance)', expected '10 -20'"
xdotool windowsize --sync "$main" 560 420
sleep 0.5
[ "$(distance)" = "10 -20" ] || fail "distance after a resize is '$(distance)', expected '10 -20'"
read -r vx vy _ _ <<<"$(geometry "$viewer")"
exit_by_menu
[ "$(main_value ViewerIsVisible)" = "Yes" ] || fail "ViewerIsVisible not kept"
[ "$(viewer_value Pinned)" = "Yes" ] || fail "Pinned not kept"
[ "$(viewer_value DisplayFrame)" = "Yes" ] || fail "DisplayFrame not kept"
[ "$(viewer_value XDiff) $(viewer_value YDiff)" = "10 -20" ] || fail "offsets not kept"
[ "$(viewer_value Left) $(viewer_value Top)" = "$vx $vy" ] || fail "place '$(viewer_value Left) $(viewer_value Top)' saved, expected '$vx $vy'"

# 3. Docked in the side panel at exit (a double click on its title bar docks it): the settings
# keep where it last floated and its distance, and the next start floats it there again.
start
main=$(window_named Vellum) || fail "no main window"
viewer=$(window_named Viewer) || fail "Viewer not shown at start"
sleep 0.5
read -r vx vy _ _ <<<"$(geometry "$viewer")"
xdotool mousemove --window "$viewer" 40 6 click --repeat 2 --delay 100 1
sleep 0.5
xwininfo -id "$viewer" -tree 2>/dev/null | grep -q 'Parent window id: .*(the root window)' && fail "the Viewer did not dock"
exit_by_menu
[ "$(main_value ViewerIsVisible)" = "Yes" ] || fail "a docked Viewer counted as hidden"
[ "$(viewer_value Left) $(viewer_value Top)" = "$vx $vy" ] ||
  fail "docked, it saved '$(viewer_value Left) $(viewer_value Top)', expected where it floated: '$vx $vy'"
[ "$(viewer_value XDiff) $(viewer_value YDiff)" = "10 -20" ] || fail "docked, the offsets changed"
start
main=$(window_named Vellum) || fail "no main window"
viewer=$(window_named Viewer) || fail "the Viewer does not float after a restart"
sleep 0.5
[ "$(distance)" = "10 -20" ] || fail "distance after docking and a restart is '$(distance)', expected '10 -20'"
exit_by_menu
echo "viewer e2e: ok"

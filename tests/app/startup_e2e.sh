#!/usr/bin/env bash
# End to end on a real X display: the splash, -NoSplash, Exit from the menu, and the main
# window's rectangle and maximised state coming back after a restart.
#   startup_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v xprop >/dev/null || { echo "needs an X display, xdotool and xprop"; exit 77; }

begin_run "$1"
settings=$work/Vellum.xml

# Prints "x y w h id" of each visible window of the running program, one per line.
windows() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    xdotool getwindowgeometry --shell "$w" |
      awk -F= -v id="$w" '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h, id}'
  done
}
splash_window() { windows | grep ' 231 125 '; }

# Waits up to $1 tenths of a second for the visible main window (the one that is not the
# splash); prints "x y w h id".
main_window() {
  local i w
  for ((i = 0; i <= $1; i++)); do
    w=$(windows | grep -v ' 231 125 ' | head -n 1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

start() { "$work/vellum" "$@" 2>>"$work/log" & pid=$!; }

exit_by_menu() {
  local w=$1
  focus "$w"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key x
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || { pid=; return 0; }; sleep 0.1; done
  fail "Exit did not end the program"
}

value() { sed -n "s:.*<$1>\(.*\)</$1>.*:\1:p" "$settings"; }

# 1. The splash comes first, 231 x 125, and a click closes it before its two seconds.
start
for _ in $(seq 50); do splash_window >/dev/null && break; sleep 0.1; done
splash=$(splash_window) || fail "no splash window"
main_window 0 >/dev/null && fail "main window shown while the splash is up"
read -r sx sy _ _ <<<"$splash"
xdotool mousemove $((sx + 20)) $((sy + 20)) click 1
read -r _ _ _ _ w <<<"$(main_window 15)"
[ -n "$w" ] || fail "main window not shown soon after the click on the splash"
splash_window >/dev/null && fail "splash still shown"
exit_by_menu "$w"
[ "$(value WinMaximized)" = "No" ] || fail "WinMaximized not written"
[ $(($(value WinNormRight) - $(value WinNormLeft))) -eq 647 ] || fail "designed width not stored"

# 2. -NoSplash in any letter case: no splash at all; a stored rectangle is restored.
sed -i -e 's:<WinNormLeft>[^<]*<:<WinNormLeft>100<:' -e 's:<WinNormTop>[^<]*<:<WinNormTop>60<:' \
       -e 's:<WinNormRight>[^<]*<:<WinNormRight>600<:' -e 's:<WinNormBottom>[^<]*<:<WinNormBottom>460<:' "$settings"
start -nOsPlAsH
read -r x y mw mh w <<<"$(main_window 50)"
[ -n "$w" ] || fail "no main window with -NoSplash"
splash_window >/dev/null && fail "splash shown despite -NoSplash"
geometry="$x $y $mw $mh"
[ "$geometry" = "100 60 500 400" ] || fail "restored rectangle is '$geometry', expected '100 60 500 400'"
exit_by_menu "$w"
[ "$(value WinNormLeft) $(value WinNormTop) $(value WinNormRight) $(value WinNormBottom)" = "100 60 600 460" ] ||
  fail "rectangle not written back unchanged"

# 3. The maximised state comes back. Without a window manager nothing resizes the window, so
# the request itself is checked: the window asks to be maximised both ways.
sed -i 's:<WinMaximized>No<:<WinMaximized>Yes<:' "$settings"
start -NoSplash
read -r _ _ _ _ w <<<"$(main_window 50)"
[ -n "$w" ] || fail "no main window"
state=$(xprop -id "$w" _NET_WM_STATE)
[[ $state == *_NET_WM_STATE_MAXIMIZED_VERT* && $state == *_NET_WM_STATE_MAXIMIZED_HORZ* ]] ||
  fail "main window not maximised: $state"
exit_by_menu "$w"
[ "$(value WinMaximized)" = "Yes" ] || fail "maximised state not written back"
[ "$(value WinNormLeft) $(value WinNormTop) $(value WinNormRight) $(value WinNormBottom)" = "100 60 600 460" ] ||
  fail "restored rectangle lost while maximised"
echo "startup end to end: ok"

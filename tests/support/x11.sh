# Shared by the end-to-end scripts on a real X display.

# Gives the keyboard focus to window $1. A window that has only just been found may not be
# viewable yet (it is being mapped or placed), and X refuses the focus then: try again a while.
focus() {
  local i
  for ((i = 0; i < 30; i++)); do
    xdotool windowfocus --sync "$1" 2>/dev/null && return 0
    sleep 0.2
  done
  echo "cannot focus window $1"
  return 1
}

# Starts a run of the program given as $1: a work folder holding a private copy of it (its
# folder is where it keeps its settings), one X client kept connected meanwhile (an X server
# resets when its last client leaves, and refuses connections meanwhile), and everything stopped
# and removed at exit. Sets work and pid (the running program, empty while none runs); fail
# reports with the program's log.
begin_run() {
  work=$(mktemp -d)
  pid=
  wm=
  xprop -root -spy >/dev/null 2>&1 &
  keepalive=$!
  trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$wm" ] && kill "$wm" 2>/dev/null; kill "$keepalive" 2>/dev/null; rm -rf "$work"' EXIT
  cp "$1" "$work/vellum"
}

# After begin_run: frames the windows as a user's desktop does. Starts openbox unless a window
# manager already runs, and waits until it has taken the display; the run's end stops it.
# Without openbox the test is skipped.
start_window_manager() {
  local i
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
  command -v openbox >/dev/null || { echo "needs openbox"; exit 77; }
  openbox >/dev/null 2>&1 &
  wm=$!
  for ((i = 0; i < 50; i++)); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  echo "openbox did not take the display"
  exit 1
}
fail() {
  echo "FAIL: $*"
  grep -v XDG_RUNTIME "$work/log" 2>/dev/null || true
  exit 1
}

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

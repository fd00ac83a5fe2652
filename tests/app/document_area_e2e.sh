#!/usr/bin/env bash
# End to end on a real X display with a window manager: a folder alone on the command line gives
# a maximised browser that covers the whole document area at once, with the default placement,
# with a stored one and maximised after the splash. Screenshots are examined: the area's empty
# background colour must not show.
#   document_area_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v xprop >/dev/null || { echo "needs an X display, xdotool and xprop"; exit 77; }
command -v openbox >/dev/null && command -v import >/dev/null && command -v convert >/dev/null ||
  { echo "needs openbox and ImageMagick"; exit 77; }

begin_run "$1"
settings=$work/Vellum.xml
start_window_manager

pics="$work/pictures"
mkdir -p "$pics"
for i in 1 2 3; do convert -size 60x40 "xc:rgb($((i * 60)),90,160)" "BMP3:$pics/p$i.bmp"; done

start() { "$work/vellum" "$@" 2>>"$work/log" & pid=$!; }

# Waits for a visible window of the program whose name matches $1; prints its id.
window_named() {
  local w
  for _ in $(seq 150); do
    w=$(xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

exit_by_menu() {
  focus "$1"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key x
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || { pid=; return 0; }; sleep 0.1; done
  fail "Exit did not end the program"
}

# Screenshot of window $1 (its inside) into $2.
shot() {
  sleep 1.5
  import -silent -window "$1" "$2" || fail "no screenshot of window $1"
}

# Share (0 to 1) of the picture $1's pixels that have the colour $2.
share_of() {
  convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" -colorspace Gray -format '%[fx:mean]' info:
}

keep_shot() {
  local kept="${TMPDIR:-/tmp}/vellum-document-area-$1.png"
  cp "$2" "$kept"
  fail "$3 (screenshot kept as $kept)"
}

# 1. The folder alone without any settings (default placement); examined once the empty
# area's colour is known.
start -NoSplash "$pics"
main=$(window_named 'Browsing') || fail "default: no maximised browser in the main window's title"
shot "$main" "$work/default.png"
exit_by_menu "$main"
rm -f "$settings"

# 2. Without arguments: the empty area's colour, taken from inside it, left of the side panel.
start -NoSplash
main=$(window_named '^Vellum$') || fail "no main window"
shot "$main" "$work/empty.png"
size=$(identify -format '%w %h' "$work/empty.png")
read -r width height <<<"$size"
empty=$(convert "$work/empty.png" -format "%[pixel:p{60,$((height / 2))}]" info:)
share=$(share_of "$work/empty.png" "$empty")
awk -v s="$share" 'BEGIN { exit !(s > 0.3) }' || keep_shot empty "$work/empty.png" "the empty area's colour $empty covers only $share"
exit_by_menu "$main"

# 3. The folder alone, with the placement stored by the run before, 4. the same maximised after
# the splash (closed by a click).
examine() {
  share=$(share_of "$work/$1.png" "$empty")
  awk -v s="$share" 'BEGIN { exit !(s < 0.01) }' ||
    keep_shot "$1" "$work/$1.png" "$1: the empty area shows beside the browser (share $share)"
}
examine default
check_folder_run() {
  main=$(window_named 'Browsing') || fail "$1: no maximised browser in the main window's title"
  shot "$main" "$work/$1.png"
  examine "$1"
  exit_by_menu "$main"
}
start -NoSplash "$pics"
check_folder_run stored

sed -i 's:<WinMaximized>No<:<WinMaximized>Yes<:' "$settings"
start "$pics"
for _ in $(seq 50); do
  splash=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$splash" ] && break
  sleep 0.1
done
[ -n "$splash" ] && xdotool mousemove --window "$splash" 20 20 click 1
check_folder_run maximised
echo "document area end to end: ok"

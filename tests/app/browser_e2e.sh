#!/usr/bin/env bash
# End to end on a real X display: started with a folder, the program shows a maximised picture
# browser on it; after exit the folder holds the browser's database file and the settings the
# folder as the first recent one.
#   browser_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v xprop >/dev/null || { echo "needs an X display, xdotool and xprop"; exit 77; }
command -v convert >/dev/null || { echo "needs ImageMagick's convert for the pictures"; exit 77; }

begin_run "$1"
settings=$work/Vellum.xml

# A folder with a space in its name and two small pictures.
pics="$work/my pictures"
mkdir -p "$pics"
convert -size 40x30 xc:red "BMP3:$pics/red.bmp"
convert -size 30x40 xc:blue "$pics/blue.jpg"

"$work/vellum" -NoSplash "$pics" 2>>"$work/log" & pid=$!

# A maximised document window puts its caption into the main window's title.
main=
for _ in $(seq 100); do
  main=$(xdotool search --all --onlyvisible --pid "$pid" --name "Browsing" 2>/dev/null | head -n 1 || true)
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || fail "no maximised browser in the main window's title"
title=$(xdotool getwindowname "$main")
[[ $title == *"[Browsing $pics/]"* ]] || fail "title is '$title'"

sleep 1
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key x
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || { pid=; break; }; sleep 0.1; done
[ -z "$pid" ] || fail "Exit did not end the program"

[ -f "$pics/PicBrowser.pbf" ] || fail "no PicBrowser.pbf in the folder"
dir1=$(sed -n 's:.*<Dir1>\(.*\)</Dir1>.*:\1:p' "$settings")
[ "$dir1" = "$pics/" ] || fail "Dir1 is '$dir1'"
echo "browser end to end: ok"

#!/usr/bin/env bash
# End to end on a real X display: a picture opened on the command line, Ctrl+P, OK in the
# preview, Print in Qt's print dialog (no printer installed: a PDF file), and the PDF at its
# preset place beside the picture holds one page with the picture's exact pixels.
#   print_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] || { echo "needs an X display"; exit 77; }
for tool in xdotool xprop pdfinfo pdfimages convert compare; do
  command -v "$tool" >/dev/null || { echo "needs $tool"; exit 77; }
done

begin_run "$1"

# The picture: 60 x 40 pixels of noise in a 24-bit BMP.
convert -size 60x40 xc:gray +noise Random -depth 8 -type TrueColor "BMP3:$work/holiday.bmp"

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
# Keys for the focused window, once it has settled. Without a window manager a modal dialog
# takes the focus by itself; moving it by hand would give it back to the main window.
keys() {
  sleep 1
  xdotool key --clearmodifiers "$@"
}

"$work/vellum" -NoSplash "$work/holiday.bmp" 2>>"$work/log" & pid=$!
main=$(window 'Vellum') || fail "no main window"
focus "$main"
keys ctrl+p
preview=$(window '^Print Picture$') || fail "Ctrl+P showed no print preview"
keys Return
dialog=$(window '^Print$') || fail "OK showed no print dialog"
keys Return

pdf=$work/holiday.pdf
for _ in $(seq 100); do [ -s "$pdf" ] && break; sleep 0.1; done
[ -s "$pdf" ] || fail "no PDF at $pdf"
sleep 0.5
pdfinfo "$pdf" | grep -Eq '^Pages: +1$' || fail "the PDF does not hold one page"
pdfinfo "$pdf" | grep -Eq "^Title: +$work/holiday.bmp$" || fail "the job title is not the file name"
pdfimages -png "$pdf" "$work/img"
images=("$work"/img-*.png)
[ ${#images[@]} -eq 1 ] || fail "expected one image in the PDF, found ${#images[@]}"
differing=$(compare -metric AE "${images[0]}" "$work/holiday.bmp" null: 2>&1 || true)
[ "$differing" = "0" ] || fail "the printed picture differs from the file in $differing pixels"
echo "print end to end: ok"

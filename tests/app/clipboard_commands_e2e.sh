#!/usr/bin/env bash
# End to end on a real X display, driven by the keyboard: a picture another program put on the
# clipboard pastes as a new picture, copying it gives other programs that picture back, two
# running copies of the program share one clipboard history, and a picture pasted into another
# floats there until Copy or Cut takes it.
#   clipboard_commands_e2e.sh <vellum executable> <clipboard peer executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v xclip >/dev/null &&
  command -v xprop >/dev/null && command -v convert >/dev/null ||
  { echo "needs an X display, xdotool, xclip, xprop and ImageMagick"; exit 77; }
peer=$2
work=$(mktemp -d)
pids=()
# An X server resets when its last client leaves: one client stays connected throughout.
xprop -root -spy >/dev/null 2>&1 &
pids+=($!)
cleanup() { kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work"/log* 2>/dev/null | grep -v XDG_RUNTIME || true; exit 1; }

vellum=$1
# Each copy of the program runs from a folder of its own, where it keeps its settings.
start() { # NAME; sets pid
  mkdir -p "$work/$1"
  cp "$vellum" "$work/$1/vellum"
  "$work/$1/vellum" -NoSplash 2>>"$work/log.$1" &
  pid=$!
  pids+=("$pid")
}
window_of() { # PID -> the main window's id
  local w
  for _ in $(seq 100); do
    w=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
keys() { # WINDOW KEY...
  local w=$1; shift
  xdotool windowactivate --sync "$w" 2>/dev/null || focus "$w"
  for k in "$@"; do xdotool key --clearmodifiers "$k"; sleep 0.3; done
}
# Enumeration without the identifiers (they are clock values): "tag w h r g b" per line.
items() { "$peer" enum 2>/dev/null | cut -d' ' -f2-; }
wait_items() { # EXPECTED
  for _ in $(seq 50); do [ "$(items)" = "$1" ] && return 0; sleep 0.1; done
  fail "clipboard holds '$(items)', expected '$1'"
}

start a
a=$(window_of "$pid") || fail "the first copy shows no window"

# 1. Another program's PNG pastes as a new picture (Edit > Paste > Paste as New Picture), and
# copying that picture hands it back to other programs as PNG.
convert -size 7x2 xc:'#00ff00' "$work/green.png"
xclip -quiet -selection clipboard -t image/png -i "$work/green.png" >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
keys "$a" alt+e Right n
keys "$a" ctrl+c
wait_items "$(printf -- '-1 7 2 0 255 0\n-1 7 2 0 255 0')"
xclip -o -selection clipboard -t image/png >"$work/back.png"
[ "$(convert "$work/back.png" -format '%w %h %[pixel:p{3,1}]' info:)" = "7 2 srgb(0,255,0)" ] ||
  fail "what other programs get back: $(convert "$work/back.png" -format '%w %h %[pixel:p{3,1}]' info:)"

# 2. A second copy of the program copies a picture of its own on top of that history.
start b
b=$(window_of "$pid") || fail "the second copy shows no window"
keys "$b" ctrl+n
# The New Picture dialog has the focus now: its default button.
xdotool key --clearmodifiers Return
sleep 0.5
keys "$b" ctrl+c
[ "$(items | sed -n '2,3p')" = "$(printf -- '-1 7 2 0 255 0\n-1 7 2 0 255 0')" ] ||
  fail "the second copy did not keep the history: $(items)"
[ "$(items | wc -l)" = 3 ] || fail "expected three pictures: $(items)"

# 3. The first copy pastes the second one's picture as new and copies it again: four items,
# the newest two alike. With a picture active the menu opens on Cut: Copy, then Paste.
keys "$a" alt+e Down Down Right n
keys "$a" ctrl+c
[ "$(items | wc -l)" = 4 ] || fail "expected four pictures: $(items)"
[ "$(items | sed -n 1p)" = "$(items | sed -n 2p)" ] || fail "the pasted picture differs: $(items)"

# 4. Paste into Picture (Ctrl+V) floats a picture over the active one; Copy (Ctrl+C) puts that
# selection on the clipboard and draws it in, so the next Copy, of the whole picture, starts
# with its green.
whole=$(items | sed -n 1p) # the active picture, copied in step 3
convert -size 3x2 xc:'#00ff00' "$work/small.png"
xclip -quiet -selection clipboard -t image/png -i "$work/small.png" >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
keys "$a" ctrl+v ctrl+c
[ "$(items | sed -n 1p)" = "-1 3 2 0 255 0" ] || fail "the pasted selection was not copied: $(items)"
keys "$a" ctrl+c
read -r _ width height _ <<<"$whole"
[ "$(items | sed -n 1p)" = "-1 $width $height 0 255 0" ] ||
  fail "the copied selection was not drawn into the picture: $(items | sed -n 1p), the picture was '$whole'"
# Cut of a pasted selection: the selection goes to the clipboard, the picture keeps its green.
keys "$a" ctrl+v ctrl+x
[ "$(items | sed -n 1p)" = "-1 $width $height 0 255 0" ] || fail "the cut selection: $(items | sed -n 1p)"
echo "clipboard commands end to end: ok"

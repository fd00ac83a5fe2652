#!/usr/bin/env bash
# The clipboard store across processes on a real X display: several copies of a small program
# share one history through the system clipboard, other programs (xclip) see the newest picture
# and the private format, and a picture or text they put there is taken as it should be.
#   clipboard_e2e.sh <clipboard peer executable>
set -euo pipefail
peer=$1
[ -n "${DISPLAY:-}" ] && command -v xclip >/dev/null && command -v xprop >/dev/null ||
  { echo "needs an X display, xclip and xprop"; exit 77; }
work=$(mktemp -d)
pids=()
# An X server resets when its last client leaves: one client stays connected throughout.
xprop -root -spy >/dev/null 2>&1 &
pids+=($!)
cleanup() { kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Copies a picture in a new process that serves the clipboard until another takes it over.
n=0
copy() {
  n=$((n + 1))
  "$peer" copy "$@" >"$work/copy$n" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do grep -q copied "$work/copy$n" && return 0; sleep 0.05; done
  fail "copy $* did not finish"
}
# Enumeration without the identifiers (they are clock values): "tag w h r g b" per line.
items() { "$peer" enum 2>/dev/null | cut -d' ' -f2-; }

# 1. Eleven copies, each in its own process, keep the ten newest in one shared history.
for i in $(seq 11); do copy "$i" 1 $((i * 20)) 0 0 "$i"; done
expected=$(for i in $(seq 11 -1 2); do echo "$i $i 1 $((i * 20)) 0 0"; done)
[ "$(items)" = "$expected" ] || fail "shared history: $(items)"
[ "$("$peer" paste 2>/dev/null)" = "11 11 1 220 0 0" ] || fail "paste: $("$peer" paste)"

# 2. Other programs see the private format and the newest picture as a standard image.
targets=$(xclip -o -selection clipboard -t TARGETS)
grep -qx 'Harrow_Progs Vellum' <<<"$targets" || fail "no private target in: $targets"
grep -qx 'image/png' <<<"$targets" || fail "no image/png target in: $targets"
xclip -o -selection clipboard -t image/png >"$work/newest.png"
[ "$(identify -format '%w %h' "$work/newest.png")" = "11 1" ] || fail "standard picture is not the newest"

# 3. A picture that another program put there is one item with identifier -1 and tag -1, and
# the next copy keeps it as an older item.
convert -size 7x2 xc:'#00ff00' "$work/green.png"
xclip -quiet -selection clipboard -t image/png -i "$work/green.png" >/dev/null 2>&1 &
pids+=($!)
sleep 0.3
[ "$("$peer" enum 2>/dev/null)" = "-1 -1 7 2 0 255 0" ] || fail "foreign picture: $("$peer" enum)"
copy 3 3 255 255 255 -1
[ "$(items)" = "$(printf -- '-1 3 3 255 255 255\n-1 7 2 0 255 0')" ] || fail "after importing: $(items)"

# 4. Text is no picture.
echo hello | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
pids+=($!)
sleep 0.3
[ "$("$peer" available 2>/dev/null)" = "-1" ] || fail "text: available format $("$peer" available)"
[ -z "$(items)" ] || fail "text enumerated as pictures"
echo "clipboard end to end: ok"

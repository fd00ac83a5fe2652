#!/usr/bin/env bash
# End to end on a real X display: start with three pictures, exit from the menu, and read the
# recent-files file the program wrote, field by field.
#   recent_files_e2e.sh <vellum executable>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11.sh"
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v xprop >/dev/null || { echo "needs an X display, xdotool and xprop"; exit 77; }

begin_run "$1"

# Three pictures of known sizes: 200 x 100 (thumbnail 80 x 40), 100 x 200 (35 x 70), 60 x 50.
mkdir "$work/pics"
convert -size 200x100 xc:red -type TrueColor "BMP3:$work/pics/wide.bmp"
convert -size 100x200 xc:blue "$work/pics/tall.jpg"
convert -size 60x50 xc:green "$work/pics/small.gif"
[ -f "$work/pics/wide.bmp" ] || fail "no test picture"

"$work/vellum" -NoSplash "$work/pics/wide.bmp" "$work/pics/tall.jpg" "$work/pics/small.gif" 2>>"$work/log" & pid=$!
w=
for _ in $(seq 100); do
  w=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$w" ] && break
  sleep 0.1
done
[ -n "$w" ] || fail "no main window"
sleep 1.5
focus "$w"
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key x
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || { pid=; break; }; sleep 0.1; done
[ -z "$pid" ] || fail "Exit did not end the program"

rfp=$work/Vellum.rfp
[ -f "$rfp" ] || fail "no Vellum.rfp written"
python3 - "$rfp" "$work/pics" <<'PY' || fail "Vellum.rfp fields"
import os, struct, sys, time
data = open(sys.argv[1], 'rb').read()
pics = sys.argv[2]
assert data[0] == 10 and data[1:11] == b'Vellum RFP', data[:16]
version, count = struct.unpack_from('<ii', data, 16)
assert (version, count) == (1, 3), (version, count)
expected = [('small.gif', (60, 50)), ('tall.jpg', (35, 70)), ('wide.bmp', (80, 40))]
end = 24 + 264 * count
for i, (name, size) in enumerate(expected):
    record = data[24 + 264 * i: 24 + 264 * (i + 1)]
    path = record[1:1 + record[0]].decode()
    assert path == os.path.join(pics, name), path
    offset, date = struct.unpack_from('<ii', record, 256)
    t = time.localtime(os.stat(path).st_mtime)
    packed = ((t.tm_year - 1980) << 25) | (t.tm_mon << 21) | (t.tm_mday << 16) | (t.tm_hour << 11) | (t.tm_min << 5) | (min(t.tm_sec, 59) // 2)
    assert date == packed, (name, date, packed)
    assert offset == end, (name, offset, end)
    assert data[offset:offset + 2] == b'BM'
    bmp_size, = struct.unpack_from('<I', data, offset + 2)
    width, height, planes, bits = struct.unpack_from('<iiHH', data, offset + 18)
    assert (width, abs(height)) == size and bits == 24, (name, width, height, bits)
    end = offset + bmp_size
assert end == len(data), (end, len(data))
PY
echo "recent files end to end: ok"

#!/usr/bin/env bash
# Draws the program's own artwork with ImageMagick. The PNGs it makes are committed; run this
# only to change them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/images"
ink='#5a3e1b'
paper='#f4ecd8'

# Splash, 231 x 125. The version text is drawn at run time into the flat paper-coloured band
# from (118, 40) to (213, 60), so that band must stay one colour.
convert -size 231x125 xc:"$paper" \
  -fill none -stroke "$ink" -strokewidth 1 -draw 'rectangle 0,0 230,124' \
  -stroke none -fill '#c9a86a' -draw 'roundrectangle 14,14 104,110 10,10' \
  -fill "$paper" -draw 'roundrectangle 20,20 98,104 7,7' \
  -fill '#c0392b' -draw 'circle 44,48 44,34' \
  -fill '#2e86c1' -draw 'circle 70,62 70,48' \
  -fill '#27ae60' -draw 'circle 48,76 48,62' \
  -fill "$ink" -draw 'polygon 60,96 92,30 96,32 66,98' \
  -font DejaVu-Serif-Bold -pointsize 22 -fill "$ink" -annotate +118+34 'Vellum' \
  -font DejaVu-Sans -pointsize 10 -fill "$ink" -annotate +118+86 'Picture editor' \
  -stroke "$ink" -strokewidth 1 -draw 'line 118,70 213,70' \
  -define png:color-type=2 splash.png

# Program icon, 64 x 64 and 256 x 256.
for s in 64 256; do
  f=$(awk "BEGIN { print $s / 64 }")
  convert -size ${s}x${s} xc:none \
    -fill '#c9a86a' -draw "scale $f,$f roundrectangle 2,2 61,61 9,9" \
    -fill "$paper" -draw "scale $f,$f roundrectangle 6,6 57,57 6,6" \
    -fill '#c0392b' -draw "scale $f,$f circle 22,22 22,13" \
    -fill '#2e86c1' -draw "scale $f,$f circle 40,31 40,22" \
    -fill '#27ae60' -draw "scale $f,$f circle 24,41 24,32" \
    -fill "$ink" -draw "scale $f,$f polygon 30,58 54,10 58,12 35,60" \
    vellum-$s.png
done

# Glyph of the extra caption button ("Resize window to best fit"): a frame with corner arrows.
convert -size 12x10 xc:none -fill none -stroke black -strokewidth 1 \
  -draw 'rectangle 2,2 9,7' -draw 'line 0,0 2,2' -draw 'line 11,0 9,2' \
  -draw 'line 0,9 2,7' -draw 'line 11,9 9,7' extrabtn.png

# Pattern shown where there is no canvas: a soft 8 x 8 checker.
convert -size 8x8 xc:'#c8c8c8' -fill '#a8a8a8' -draw 'rectangle 0,0 3,3' -draw 'rectangle 4,4 7,7' \
  -define png:color-type=2 noncanvas.png

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

# Command icons, 24 x 24, drawn at 4 x and reduced for smooth edges.
mkdir -p commands
icon() { # NAME DRAW...
  local name=$1; shift
  convert -size 96x96 xc:none "$@" -resize 24x24 -strip "commands/$name.png"
}
icon new -fill white -stroke "$ink" -strokewidth 5 -draw 'polygon 20,8 60,8 78,26 78,88 20,88' \
  -fill "$paper" -draw 'polygon 60,8 60,26 78,26'
icon open -fill '#e0b552' -stroke "$ink" -strokewidth 5 -draw 'polygon 8,24 36,24 44,32 88,32 88,84 8,84' \
  -fill '#f3d88c' -draw 'polygon 8,84 20,48 94,48 82,84'
icon save -fill '#2e86c1' -stroke "$ink" -strokewidth 5 -draw 'roundrectangle 10,10 86,86 6,6' \
  -fill white -draw 'rectangle 26,12 70,40' -fill "$paper" -draw 'rectangle 24,58 72,86'
icon saveas -fill '#2e86c1' -stroke "$ink" -strokewidth 5 -draw 'roundrectangle 6,6 70,70 6,6' \
  -fill white -draw 'rectangle 20,8 56,30' -fill "$paper" -draw 'rectangle 18,48 58,70' \
  -fill '#e0b552' -stroke "$ink" -strokewidth 4 -draw 'polygon 52,86 58,72 84,46 92,54 66,80' \
  -fill "$ink" -stroke none -draw 'polygon 52,86 58,72 66,80'
icon undo -fill none -stroke "$ink" -strokewidth 10 -draw 'arc 24,26 84,86 180,420' \
  -fill "$ink" -stroke none -draw 'polygon 6,50 42,50 24,74'
icon redo -fill none -stroke "$ink" -strokewidth 10 -draw 'arc 24,26 84,86 180,420' \
  -fill "$ink" -stroke none -draw 'polygon 6,50 42,50 24,74' -flop
icon grey -fill '#909090' -stroke "$ink" -strokewidth 5 -draw 'circle 48,48 48,12'
icon negative -fill black -stroke "$ink" -strokewidth 5 -draw 'circle 48,48 48,12' \
  -fill white -stroke none -draw 'path "M 48,15 A 33,33 0 0,1 48,81 Z"'
icon grid -fill white -stroke "$ink" -strokewidth 4 -draw 'rectangle 10,10 86,86' \
  -draw 'line 35,10 35,86' -draw 'line 61,10 61,86' -draw 'line 10,35 86,35' -draw 'line 10,61 86,61'
icon flip -fill '#c0392b' -stroke none -draw 'polygon 48,8 80,40 16,40' -fill '#2e86c1' -draw 'polygon 48,88 80,56 16,56'
icon mirror -fill '#c0392b' -stroke none -draw 'polygon 8,48 40,16 40,80' -fill '#2e86c1' -draw 'polygon 88,48 56,16 56,80'
icon clear -fill white -stroke "$ink" -strokewidth 5 -draw 'rectangle 12,12 84,84' \
  -stroke '#c0392b' -strokewidth 10 -draw 'line 26,26 70,70' -draw 'line 70,26 26,70'
icon resize -fill none -stroke "$ink" -strokewidth 5 -draw 'rectangle 10,36 60,86' \
  -stroke '#2e86c1' -strokewidth 8 -draw 'line 46,50 84,12' -fill '#2e86c1' -stroke none -draw 'polygon 88,8 60,12 84,36'
icon resample -fill '#27ae60' -stroke "$ink" -strokewidth 5 -draw 'rectangle 10,36 60,86' \
  -stroke '#2e86c1' -strokewidth 8 -draw 'line 46,50 84,12' -fill '#2e86c1' -stroke none -draw 'polygon 88,8 60,12 84,36'
icon rotate -fill none -stroke "$ink" -strokewidth 9 -draw 'arc 18,18 78,78 200,470' \
  -fill "$ink" -stroke none -draw 'polygon 60,4 84,22 56,34'
icon blur -fill '#2e86c1' -stroke none -draw 'circle 48,48 48,8' -fill '#5dade2' -draw 'circle 48,48 48,20' \
  -fill '#aed6f1' -draw 'circle 48,48 48,32'
icon brighten -fill '#f4d03f' -stroke "$ink" -strokewidth 5 -draw 'circle 48,48 48,26' \
  -strokewidth 6 -draw 'line 48,4 48,14' -draw 'line 48,82 48,92' -draw 'line 4,48 14,48' -draw 'line 82,48 92,48' \
  -draw 'line 17,17 24,24' -draw 'line 72,72 79,79' -draw 'line 79,17 72,24' -draw 'line 17,79 24,72'
icon gamma -fill white -stroke "$ink" -strokewidth 4 -draw 'rectangle 8,8 88,88' \
  -fill none -stroke '#c0392b' -strokewidth 7 -draw 'bezier 12,84 20,30 50,16 84,12'
icon rgb -fill '#c0392b' -stroke none -draw 'circle 48,30 48,8' -fill '#27ae60' -draw 'circle 30,62 30,40' \
  -fill '#2e86c1' -draw 'circle 66,62 66,40'
icon enlarge -fill "$paper" -stroke "$ink" -strokewidth 5 -draw 'rectangle 8,8 88,88' \
  -fill '#27ae60' -draw 'rectangle 30,30 66,66'
icon print -fill white -stroke "$ink" -strokewidth 5 -draw 'rectangle 26,8 70,40' \
  -fill '#909090' -draw 'roundrectangle 8,36 88,72 6,6' -fill white -draw 'rectangle 26,58 70,88'

# Browser commands.
icon browse -fill '#e0b552' -stroke "$ink" -strokewidth 5 -draw 'polygon 6,20 32,20 40,28 70,28 70,76 6,76' \
  -fill white -stroke "$ink" -strokewidth 6 -draw 'circle 64,62 64,40' -stroke "$ink" -strokewidth 10 -draw 'line 78,78 90,90'
icon openpic -fill white -stroke "$ink" -strokewidth 5 -draw 'rectangle 8,18 70,80' \
  -fill '#2e86c1' -stroke none -draw 'polygon 12,76 34,44 52,66 60,56 66,76' \
  -fill '#27ae60' -draw 'polygon 60,10 90,40 60,70'
icon refresh -fill none -stroke '#27ae60' -strokewidth 10 -draw 'arc 18,18 78,78 200,500' \
  -fill '#27ae60' -stroke none -draw 'polygon 58,4 86,22 56,38'
icon tree -fill none -stroke "$ink" -strokewidth 5 -draw 'line 20,20 20,76' -draw 'line 20,46 46,46' -draw 'line 20,76 46,76' \
  -fill '#e0b552' -draw 'rectangle 8,8 34,26' -draw 'rectangle 46,36 84,56' -draw 'rectangle 46,66 84,86'
icon sortname -fill "$ink" -stroke none -font DejaVu-Sans-Bold -pointsize 44 -annotate +8+46 'A' -annotate +46+88 'Z' \
  -stroke "$ink" -strokewidth 6 -draw 'line 74,8 74,40' -fill "$ink" -draw 'polygon 62,30 86,30 74,46'
icon sortdate -fill white -stroke "$ink" -strokewidth 5 -draw 'rectangle 10,18 86,86' \
  -fill '#c0392b' -draw 'rectangle 10,18 86,36' -fill "$ink" -stroke none -draw 'rectangle 26,48 40,60' -draw 'rectangle 56,48 70,60' -draw 'rectangle 26,68 40,80'
icon sorttype -fill white -stroke "$ink" -strokewidth 5 -draw 'polygon 20,8 60,8 78,26 78,88 20,88' \
  -fill "$ink" -stroke none -font DejaVu-Sans-Bold -pointsize 26 -annotate +26+70 '.jpg'
icon sortsize -fill '#2e86c1' -stroke "$ink" -strokewidth 4 -draw 'rectangle 8,56 32,88' -draw 'rectangle 40,36 64,88' -draw 'rectangle 72,12 90,88'
icon sortasc -fill '#27ae60' -stroke "$ink" -strokewidth 4 -draw 'polygon 48,8 86,60 62,60 62,88 34,88 34,60 10,60'
icon sortdesc -fill '#c0392b' -stroke "$ink" -strokewidth 4 -draw 'polygon 48,88 86,36 62,36 62,8 34,8 34,36 10,36'

# Tool cursors, 32 x 32, black with a white outline so that they show on any picture. The
# hot spot of each is given in src/document/ToolCursors.cpp.
mkdir -p cursors
cursor() { # NAME DRAW...
  local name=$1; shift
  convert -size 32x32 xc:none -fill none -stroke white -strokewidth 3 "$@" \
    -stroke black -strokewidth 1 "$@" -strip "cursors/$name.png"
}
cursor pen -draw 'line 1,30 20,11' -draw 'line 20,11 26,5' -draw 'polygon 1,30 5,24 7,26'
cursor fill -draw 'polygon 8,14 18,4 28,14 18,24' -draw 'line 8,14 4,24'
cursor dropper -draw 'line 1,30 18,13' -draw 'rectangle 18,6 25,13'
cursor circle_fill -draw 'line 7,0 7,14' -draw 'line 0,7 14,7' -fill black -draw 'circle 22,22 22,16'
cursor circle_line -draw 'line 7,0 7,14' -draw 'line 0,7 14,7' -draw 'circle 22,22 22,16'
cursor rect_fill -draw 'line 7,0 7,14' -draw 'line 0,7 14,7' -fill black -draw 'rectangle 16,16 28,28'
cursor rect_line -draw 'line 7,0 7,14' -draw 'line 0,7 14,7' -draw 'rectangle 16,16 28,28'
cursor line -draw 'line 7,0 7,14' -draw 'line 0,7 14,7' -draw 'line 16,28 28,16'
cursor zoom -draw 'circle 12,12 12,4' -draw 'line 18,18 29,29' -draw 'line 8,12 16,12' -draw 'line 12,8 12,16'
cursor selectrect -draw 'line 7,0 7,14' -draw 'line 0,7 14,7' -draw 'stroke-dasharray 2 2 rectangle 16,16 29,29'
cursor selectfreehand -draw 'line 7,0 7,14' -draw 'line 0,7 14,7' -draw 'bezier 16,28 16,14 30,18 28,28'
cursor magicwand -draw 'line 4,28 20,12' -draw 'line 22,2 22,8' -draw 'line 26,6 30,6' -draw 'line 24,10 28,14'
cursor move -draw 'line 16,2 16,30' -draw 'line 2,16 30,16' -draw 'polygon 16,0 12,5 20,5' -draw 'polygon 16,31 12,26 20,26' \
  -draw 'polygon 0,16 5,12 5,20' -draw 'polygon 31,16 26,12 26,20'
cursor text -draw 'line 12,4 20,4' -draw 'line 16,4 16,28' -draw 'line 12,28 20,28'
cursor sml_dropper -draw 'line 1,20 12,9' -draw 'rectangle 12,4 17,9'
cursor spraycan -draw 'rectangle 14,12 24,30' -draw 'line 16,8 22,8' -draw 'point 8,4' -draw 'point 4,8' -draw 'point 6,12'
cursor drag -draw 'roundrectangle 8,10 24,28 4,4' -draw 'line 11,10 11,4' -draw 'line 15,10 15,2' -draw 'line 19,10 19,3' -draw 'line 23,12 23,6'

# Clipboard commands, the Clipboard Viewer and the pin of the pinned tool windows.
icon cut -fill none -stroke "$ink" -strokewidth 6 -draw 'circle 28,72 28,58' -draw 'circle 68,72 68,58' \
  -draw 'line 34,60 66,8' -draw 'line 62,60 30,8'
icon copy -fill white -stroke "$ink" -strokewidth 5 -draw 'rectangle 10,8 56,62' -draw 'rectangle 38,34 86,88'
icon paste -fill '#c9a86a' -stroke "$ink" -strokewidth 5 -draw 'rectangle 14,14 70,88' \
  -fill "$paper" -draw 'rectangle 30,6 54,22' -fill white -draw 'rectangle 42,40 86,90'
icon pastenew -fill white -stroke "$ink" -strokewidth 5 -draw 'polygon 20,8 60,8 78,26 78,88 20,88' \
  -stroke '#27ae60' -strokewidth 10 -draw 'line 49,34 49,74' -draw 'line 29,54 69,54'
icon clearclip -fill '#c9a86a' -stroke "$ink" -strokewidth 5 -draw 'rectangle 14,14 82,88' \
  -fill "$paper" -draw 'rectangle 34,6 62,22' -stroke '#c0392b' -strokewidth 10 -draw 'line 30,38 66,74' -draw 'line 66,38 30,74'
icon promote -fill '#2e86c1' -stroke "$ink" -strokewidth 5 -draw 'polygon 48,8 84,48 62,48 62,88 34,88 34,48 12,48'
icon delete -fill none -stroke '#c0392b' -strokewidth 12 -draw 'line 18,18 78,78' -draw 'line 78,18 18,78'
icon cbviewer -fill '#c9a86a' -stroke "$ink" -strokewidth 5 -draw 'rectangle 14,14 82,88' \
  -fill "$paper" -draw 'rectangle 34,6 62,22' -fill white -draw 'rectangle 26,32 70,78' \
  -fill '#2e86c1' -stroke none -draw 'rectangle 32,50 64,72'
icon pin -fill '#c0392b' -stroke "$ink" -strokewidth 5 -draw 'circle 48,30 48,12' \
  -draw 'line 48,48 48,90'

# The Viewer: its command (a magnifier over a picture) and its frame button.
icon viewer -fill white -stroke "$ink" -strokewidth 5 -draw 'rectangle 8,14 74,72' \
  -fill '#2e86c1' -stroke none -draw 'rectangle 14,44 68,66' \
  -fill none -stroke "$ink" -strokewidth 8 -draw 'circle 52,48 52,28' -draw 'line 66,62 88,86'
icon frame -fill white -stroke "$ink" -strokewidth 5 -draw 'rectangle 8,8 88,88' \
  -fill none -stroke '#c0392b' -strokewidth 8 -draw 'rectangle 28,28 68,64'

# Glyphs of the file dialogs' picture panel, 16 x 16: a magnifier (preview), a folder with an
# eye-like lens (browse), a sheet with sliders (options).
mkdir -p glyphs
glyph() { # NAME DRAW...
  local name=$1; shift
  convert -size 64x64 xc:none "$@" -resize 16x16 -strip "glyphs/$name.png"
}
glyph xpreview -fill none -stroke "$ink" -strokewidth 7 -draw 'circle 26,26 26,8' \
  -strokewidth 10 -draw 'line 40,40 58,58'
glyph xbrowse -fill '#e0b552' -stroke "$ink" -strokewidth 4 -draw 'polygon 4,14 24,14 30,20 60,20 60,56 4,56' \
  -fill "$paper" -draw 'circle 32,38 32,28'
glyph xoptions -fill white -stroke "$ink" -strokewidth 4 -draw 'rectangle 8,4 56,60' \
  -strokewidth 5 -draw 'line 16,20 48,20' -draw 'line 16,34 48,34' -draw 'line 16,48 48,48' \
  -fill '#2e86c1' -draw 'rectangle 20,15 28,25' -draw 'rectangle 34,29 42,39' -draw 'rectangle 24,43 32,53'

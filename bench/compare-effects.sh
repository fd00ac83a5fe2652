#!/usr/bin/env bash
# The colour effects and the flood fill on the 6000 x 4000 photograph, in one run:
# - point effects: vellum-batch's ops_ms against one read-and-write pass over the picture's
#   bytes (a 72 MB memcpy, timed by vellum_effects_bench in the same run);
# - blur: whole processes, BMP in and out, beside vips gaussblur on its own .v format and
#   GraphicsMagick, with the kernels set to match ours as closely as their options allow;
# - every operation also beside ImageMagick, GraphicsMagick and vips doing the nearest
#   equivalent, for reference (ImageMagick's blur excepted: it takes minutes).
#   bench/compare-effects.sh [BUILD_DIR]     (RUNS=N repeats each command, best time counts)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-${VELLUM_BUILD_DIR:-$root/build}}
batch=$build/bin/vellum-batch
runs=${RUNS:-3}
export OUT=${VELLUM_PHOTOS:-${HOME:-/root}/.cache/vellum-photos}
[ -x "$batch" ] && [ -x "$build/bin/vellum_effects_bench" ] || { echo "compare-effects: build first (scripts/build.sh)" >&2; exit 1; }
bash "$root/../shared/corpora/make-photos.sh" >/dev/null
src_bmp=$OUT/big/photo-6000x4000.bmp
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
vips copy "$src_bmp" "$work/photo.v"
IM=/usr/bin/convert

# best_ms COMMAND...: the best wall time of $runs runs, in ms ("fail" when it fails).
best_ms() {
  local best="" i start end ms
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo fail; return; }
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

source "$root/bench/ops-ms.sh"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", a/b}'; }
status=0
verdict() { # RATIO TARGET
  if awk -v r="$1" -v t="$2" 'BEGIN{exit !(r <= t)}'; then echo holds; else status=1; echo MISSED; fi
}

memcpy_ms=$("$build/bin/vellum_effects_bench" --benchmark_filter=ReadWritePass --benchmark_min_time=0.5 \
  --benchmark_format=json 2>/dev/null | python3 -c 'import json,sys; print(json.load(sys.stdin)["benchmarks"][0]["real_time"])')
echo "6000 x 4000 photograph, best of $runs runs each, $(nproc) cores"
printf '\none read-and-write pass over the picture (memcpy of 72 MB): %.1f ms\n' "$memcpy_ms"

# point OPERATION TARGET LABEL -- peers as "name;command with OUTPUT"...
point() {
  local op=$1 target=$2 label=$3; shift 4
  local ms r
  ms=$(ops_ms "$op")
  r=$(ratio "$ms" "$memcpy_ms")
  printf '\n%s (%s): ops_ms %s = %s x the pass (target at most %s: %s)\n' "$label" "$op" "$ms" "$r" "$target" "$(verdict "$r" "$target")"
  printf '  %-16s %6s ms whole process\n' vellum-batch "$(best_ms "$batch" "$src_bmp" "$work/ours.bmp" "$op")"
  local peer
  for peer in "$@"; do
    local name=${peer%%;*} cmd=${peer#*;}
    printf '  %-16s %6s ms whole process\n' "$name" "$(best_ms bash -c "${cmd//OUTPUT/$work/peer}")"
  done
}

point negative 2 "negative" -- \
  "ImageMagick;$IM '$src_bmp' -negate OUTPUT.bmp" "GraphicsMagick;gm convert '$src_bmp' -negate OUTPUT.bmp" \
  "vips (.v);vips invert '$work/photo.v' OUTPUT.v"
point brighten=30 2 "brightness +30 % (offset 77)" -- \
  "ImageMagick;$IM '$src_bmp' -evaluate Add 30% OUTPUT.bmp" "GraphicsMagick;gm convert '$src_bmp' -operator All Add 30% OUTPUT.bmp" \
  "vips (.v);vips linear '$work/photo.v' OUTPUT.v 1 77 --uchar"
point rgb=20,-10,5 2 "RGB balance" -- \
  "vips (.v);vips linear '$work/photo.v' OUTPUT.v '1 1 1' '51 -25 13' --uchar"
point grey 3 "grey scale" -- \
  "ImageMagick;$IM '$src_bmp' -colorspace Gray OUTPUT.bmp" "GraphicsMagick;gm convert '$src_bmp' -colorspace Gray OUTPUT.bmp" \
  "vips (.v);vips colourspace '$work/photo.v' OUTPUT.v b-w"
point gamma=1.6 3 "gamma 1.6" -- \
  "ImageMagick;$IM '$src_bmp' -gamma 1.6 OUTPUT.bmp" "GraphicsMagick;gm convert '$src_bmp' -gamma 1.6 OUTPUT.bmp" \
  "vips (.v);vips gamma '$work/photo.v' OUTPUT.v --exponent 1.6"
point "replace=#3C3C3C,#FFFFFF,20" 3 "colour replace" -- \
  "ImageMagick;$IM '$src_bmp' -fuzz 8% -fill white -opaque '#3C3C3C' OUTPUT.bmp" \
  "GraphicsMagick;gm convert '$src_bmp' -fuzz 8% -fill white -opaque '#3C3C3C' OUTPUT.bmp"

# blur RADIUS VIPS_TARGET GM_TARGET: whole processes. Our kernel keeps taps while the tails
# hold more than 1/510 of the weight; vips keeps them while the curve is above min-ampl of its
# peak, GraphicsMagick takes the radius in pixels. (ImageMagick takes minutes here: left out.)
blur() {
  local radius=$1 vips_target=$2 gm_target=$3 taps amp ours v g
  read -r taps amp < <(python3 -c "
import math
r=$radius; w=[math.exp(-(j/r)**2/2) for j in range(-40,41)]; s=sum(w); w=[x/s for x in w]
size=40; tail=0.0
while tail < 1/510 and size > 1: tail += 2*w[40+size]; size -= 1
print(size, '%.3f' % max(0.001, math.exp(-(size/r)**2/2)))")
  ours=$(best_ms "$batch" "$src_bmp" "$work/ours.bmp" "blur=$radius")
  v=$(best_ms vips gaussblur "$work/photo.v" "$work/peer.v" "$radius" --min-ampl "$amp")
  printf '\nGaussian blur radius %s (our kernel: %s taps each side)\n' "$radius" "$taps"
  printf '  %-16s %6s ms (BMP in and out)\n' vellum-batch "$ours"
  printf '  %-16s %6s ms (.v in and out, --min-ampl %s): ratio %s (target at most %s: %s)\n' vips "$v" "$amp" \
    "$(ratio "$ours" "$v")" "$vips_target" "$(verdict "$(ratio "$ours" "$v")" "$vips_target")"
  if [ -n "$gm_target" ]; then
    # GraphicsMagick takes tens of seconds: one run.
    g=$(runs=1 best_ms gm convert "$src_bmp" -gaussian "${taps}x${radius}" "$work/peer.bmp")
    printf '  %-16s %6s ms: ratio %s (target at most %s: %s)\n' GraphicsMagick "$g" "$(ratio "$ours" "$g")" \
      "$gm_target" "$(verdict "$(ratio "$ours" "$g")" "$gm_target")"
  fi
}
blur 5 1.0 0.2
blur 20 1.0 ""

printf '\nflood fill from (3000, 2000), tolerance 40 per channel (peers: fuzz 16 %%)\n'
printf '  %-16s %6s ms whole process (ops_ms %s)\n' vellum-batch "$(best_ms "$batch" "$src_bmp" "$work/ours.bmp" fill=3000,2000,40,#FF00FF)" \
  "$(ops_ms fill=3000,2000,40,#FF00FF)"
printf '  %-16s %6s ms whole process\n' ImageMagick \
  "$(best_ms "$IM" "$src_bmp" -fuzz 16% -fill '#FF00FF' -draw 'color 3000,2000 floodfill' "$work/peer.bmp")"
printf '  %-16s %6s ms whole process\n' GraphicsMagick \
  "$(best_ms gm convert "$src_bmp" -fuzz 16% -fill '#FF00FF' -draw 'color 3000,2000 floodfill' "$work/peer.bmp")"
exit $status

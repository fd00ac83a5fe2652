#!/usr/bin/env bash
# Times vellum-batch beside ImageMagick (convert), GraphicsMagick (gm) and vips doing the same
# conversions of the 6000 x 4000 photograph, whole processes, in one run, and prints the time
# and peak memory of each and vellum-batch's ratio to the fastest peer. For GIF it also prints
# each output's PSNR against the source.
#   bench/compare.sh [BUILD_DIR]     (RUNS=N repeats each command, best time counts; default 3)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-${VELLUM_BUILD_DIR:-$root/build}}
batch=$build/bin/vellum-batch
runs=${RUNS:-3}
export OUT=${VELLUM_PHOTOS:-${HOME:-/root}/.cache/vellum-photos}
[ -x "$batch" ] || { echo "compare: build vellum-batch first (scripts/build.sh)" >&2; exit 1; }
bash "$root/../shared/corpora/make-photos.sh" >/dev/null
src_bmp=$OUT/big/photo-6000x4000.bmp
src_jpg=$OUT/big/photo-6000x4000.jpg
picture_bytes=$((6000 * 4000 * 3))
IM=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure NAME COMMAND...: best wall time in ms over $runs runs and the peak memory (KB) of
# that run, as "ms kb"; "fail" when the command fails.
measure() {
  local best_ms="" best_kb="" i start end ms kb
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    if ! /usr/bin/time -f %M -o "$work/mem" "$@" >/dev/null 2>"$work/err"; then
      echo fail; return
    fi
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    kb=$(tail -n 1 "$work/mem")
    if [ -z "$best_ms" ] || [ "$ms" -lt "$best_ms" ]; then best_ms=$ms; best_kb=$kb; fi
  done
  echo "$best_ms $best_kb"
}

# PSNR of a picture against the source, in dB (ImageMagick's compare writes it to stderr and
# exits 1 when the pictures differ).
psnr() { { /usr/bin/compare -metric PSNR "$src_bmp" "$1" null: 2>&1 || true; } | awk '{print $1}'; }

status=0
# row CONVERSION TARGET_RATIO OUTPUT_EXT -- ours... -- peer_name peer_command... ;; peer_name ...
compare_conversion() {
  local name=$1 target=$2 ext=$3; shift 3
  local ours_cmd=() peers=() current=()
  while [ "$1" != "--" ]; do ours_cmd+=("$1"); shift; done; shift
  printf '\n%s (target: at most %s x the fastest peer)\n' "$name" "$target"
  read -r our_ms our_kb < <(measure "${ours_cmd[@]}" "$work/ours.$ext")
  local our_psnr=""
  [ "$ext" = gif ] && our_psnr=$(psnr "$work/ours.$ext")
  printf '  %-14s %7s ms  %6s MB peak (%.2f x the picture)%s\n' vellum-batch "$our_ms" "$((our_kb / 1024))" \
    "$(awk -v k="$our_kb" -v p="$picture_bytes" 'BEGIN{print k*1024/p}')" "${our_psnr:+  PSNR $our_psnr dB}"
  local fastest="" best_psnr=""
  while [ $# -gt 0 ]; do
    local peer=$1; shift; local cmd=()
    while [ $# -gt 0 ] && [ "$1" != ";;" ]; do cmd+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    local out="$work/$peer.$ext" result
    result=$(measure "${cmd[@]/OUTPUT/$out}")
    if [ "$result" = fail ]; then printf '  %-14s failed\n' "$peer"; continue; fi
    read -r ms kb <<<"$result"
    local p=""
    if [ "$ext" = gif ]; then
      p=$(psnr "$out")
      if [ -z "$best_psnr" ] || awk -v a="$p" -v b="$best_psnr" 'BEGIN{exit !(a>b)}'; then best_psnr=$p; fi
    fi
    printf '  %-14s %7s ms  %6s MB peak%s\n' "$peer" "$ms" "$((kb / 1024))" "${p:+  PSNR $p dB}"
    if [ -z "$fastest" ] || [ "$ms" -lt "$fastest" ]; then fastest=$ms; fi
  done
  local ratio verdict
  ratio=$(awk -v a="$our_ms" -v b="$fastest" 'BEGIN{printf "%.2f", a/b}')
  verdict=$(awk -v r="$ratio" -v t="$target" 'BEGIN{print (r <= t) ? "holds" : "MISSED"}')
  [ "$verdict" = holds ] || status=1
  printf '  ratio %s (%s)' "$ratio" "$verdict"
  if [ -n "$our_psnr" ] && [ -n "$best_psnr" ]; then
    local q
    q=$(awk -v a="$our_psnr" -v b="$best_psnr" 'BEGIN{print (a >= b - 1) ? "holds" : "MISSED"}')
    [ "$q" = holds ] || status=1
    printf '; PSNR %s dB vs best peer %s dB (%s)' "$our_psnr" "$best_psnr" "$q"
  fi
  if awk -v k="$our_kb" -v p="$picture_bytes" 'BEGIN{exit !(k*1024 > 2.5*p)}'; then
    printf '; peak memory over 2.5 x the picture (MISSED)'; status=1
  fi
  printf '\n'
}

echo "6000 x 4000 photograph, best of $runs runs each, $(nproc) cores"
compare_conversion "BMP to BMP" 0.6 bmp "$batch" "$src_bmp" -- \
  ImageMagick "$IM" "$src_bmp" OUTPUT ";;" \
  GraphicsMagick gm convert "$src_bmp" OUTPUT
compare_conversion "JPEG to BMP" 0.6 bmp "$batch" "$src_jpg" -- \
  ImageMagick "$IM" "$src_jpg" OUTPUT ";;" \
  GraphicsMagick gm convert "$src_jpg" OUTPUT ";;" \
  vips vips copy "$src_jpg" OUTPUT
compare_conversion "BMP to JPEG (quality 90)" 0.6 jpg "$batch" "$src_bmp" -- \
  ImageMagick "$IM" "$src_bmp" -quality 90 OUTPUT ";;" \
  GraphicsMagick gm convert "$src_bmp" -quality 90 OUTPUT ";;" \
  vips vips jpegsave "$src_bmp" OUTPUT --Q 90
compare_conversion "BMP to GIF (256 colours, Floyd-Steinberg)" 0.3 gif "$batch" "$src_bmp" -- \
  ImageMagick "$IM" "$src_bmp" -dither FloydSteinberg -colors 256 OUTPUT ";;" \
  GraphicsMagick gm convert "$src_bmp" -dither -colors 256 OUTPUT
exit $status

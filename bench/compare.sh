#!/usr/bin/env bash
# Times vellum-batch beside ImageMagick (convert), GraphicsMagick (gm) and vips doing the same
# conversions of the 6000 x 4000 photograph, whole processes, in one run, and prints the time
# and peak memory of each and vellum-batch's ratio to the fastest peer. For GIF it also prints
# each output's PSNR against the source.
#   bench/compare.sh [BUILD_DIR]     (RUNS=N repeats each command, best time counts; default 3;
#                                     COMPARE=geometry runs only the geometry section)
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
if [ "${COMPARE:-all}" != geometry ]; then
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
fi

# --- Geometry operations and the box reduction ----------------------------------------------------
# In-memory operations are timed by vellum-batch itself (ops_ms, best of $runs) against one
# read-and-write pass (a memcpy) and one read pass over the picture's bytes, both measured now by
# the geometry benchmark. Whole-process rows time BMP in and out for vellum-batch and
# GraphicsMagick, and vips on its own uncompressed format (.v in and out), each peer with its own
# target ratio. The long pen and smudge strokes are measured in bench/GeometryBench.cpp only.
geometry_bench=$build/bin/vellum_geometry_bench
if [ ! -x "$geometry_bench" ]; then
  echo "compare: build vellum_geometry_bench first (scripts/build.sh)" >&2; exit 1
fi

# bench_ms NAME: best real time in ms of one Google Benchmark of the geometry benchmark.
bench_ms() {
  "$geometry_bench" --benchmark_filter="^$1/" --benchmark_repetitions="$runs" \
    --benchmark_format=csv 2>/dev/null |
    awk -F, -v n="$1" 'index($1, "\"" n "/") == 1 && $1 !~ /_(mean|median|stddev|cv)"$/ {
      ms = $3; if ($5 == "ns") ms = $3 / 1e6; else if ($5 == "us") ms = $3 / 1e3; else if ($5 == "s") ms = $3 * 1e3
      if (best == "" || ms < best) best = ms } END { printf "%.2f", best }'
}

source "$root/bench/ops-ms.sh"

# compare_pass NAME TARGET FLOOR_NAME FLOOR_MS OPERATION...
compare_pass() {
  local name=$1 target=$2 floor_name=$3 floor=$4; shift 4
  local ms ratio verdict
  ms=$(ops_ms "$@")
  if [ "$ms" = fail ]; then printf '  %-34s failed\n' "$name"; status=1; return; fi
  ratio=$(awk -v a="$ms" -v b="$floor" 'BEGIN{printf "%.2f", a/b}')
  verdict=$(awk -v r="$ratio" -v t="$target" 'BEGIN{print (r <= t) ? "holds" : "MISSED"}')
  [ "$verdict" = holds ] || status=1
  printf '  %-34s ops_ms %8s = %5s x the %s (target at most %s x: %s)\n' "$name" "$ms" "$ratio" "$floor_name" "$target" "$verdict"
}

# compare_peers NAME -- OPERATION... -- PEER TARGET COMMAND... ;; PEER TARGET COMMAND...
# A target of - reports the peer without a target. OUTPUT in a command is its output file.
compare_peers() {
  local name=$1; shift 2
  local ours=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done; shift
  printf '\n%s\n' "$name"
  local our_ms our_kb result
  result=$(measure "$batch" "$src_bmp" "$work/ours.bmp" "${ours[@]}")
  if [ "$result" = fail ]; then printf '  vellum-batch failed\n'; status=1; return; fi
  read -r our_ms our_kb <<<"$result"
  printf '  %-14s %7s ms  %6s MB peak\n' vellum-batch "$our_ms" "$((our_kb / 1024))"
  while [ $# -gt 0 ]; do
    local peer=$1 target=$2; shift 2; local cmd=()
    while [ $# -gt 0 ] && [ "$1" != ";;" ]; do cmd+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    local ext=bmp ms kb
    [ "${cmd[0]}" = vips ] && ext=v
    result=$(measure "${cmd[@]/OUTPUT/$work/$peer.$ext}")
    if [ "$result" = fail ]; then printf '  %-14s failed\n' "$peer"; continue; fi
    read -r ms kb <<<"$result"
    if [ "$target" = - ]; then
      printf '  %-14s %7s ms  %6s MB peak  (ratio %s, no target)\n' "$peer" "$ms" "$((kb / 1024))" \
        "$(awk -v a="$our_ms" -v b="$ms" 'BEGIN{printf "%.2f", a/b}')"
      continue
    fi
    local ratio verdict
    ratio=$(awk -v a="$our_ms" -v b="$ms" 'BEGIN{printf "%.2f", a/b}')
    verdict=$(awk -v r="$ratio" -v t="$target" 'BEGIN{print (r <= t) ? "holds" : "MISSED"}')
    [ "$verdict" = holds ] || status=1
    printf '  %-14s %7s ms  %6s MB peak  ratio %s (target at most %s: %s)\n' "$peer" "$ms" "$((kb / 1024))" "$ratio" "$target" "$verdict"
  done
}

echo
echo "Geometry operations (load average now: $(cut -d' ' -f1-3 /proc/loadavg))"
src_v=$work/photo.v
vips copy "$src_bmp" "$src_v"
copy_ms=$(bench_ms ReadWritePass)
read_ms=$(bench_ms ReadPass)
printf '  one read-and-write pass (memcpy) %s ms, one read pass %s ms\n' "$copy_ms" "$read_ms"
compare_pass "flip" 2 "read-and-write pass" "$copy_ms" flip
compare_pass "mirror" 3 "read-and-write pass" "$copy_ms" mirror
compare_pass "rotate by 90" 6 "read-and-write pass" "$copy_ms" rotate=90,0
compare_pass "box reduction to 94 x 63" 3 "read pass" "$read_ms" scaledown=94,63

compare_peers "Rotate by 30 degrees (nearest neighbour where offered)" -- rotate=30,0 -- \
  vips 0.6 vips rotate "$src_v" OUTPUT 330 --interpolate nearest ";;" \
  GraphicsMagick 0.2 gm convert "$src_bmp" -rotate 30 OUTPUT ";;" \
  ImageMagick - "$IM" "$src_bmp" -rotate 30 OUTPUT
for case in "50 3000 2000 0.5 1.5" "200 12000 8000 2 1.0"; do
  read -r pct w h scale vips_target <<<"$case"
  compare_peers "Resize to $pct % (nearest neighbour)" -- "resize=$w,$h" -- \
    vips "$vips_target" vips resize "$src_v" OUTPUT "$scale" --kernel nearest ";;" \
    GraphicsMagick 0.5 gm convert "$src_bmp" -sample "$pct%" OUTPUT ";;" \
    ImageMagick - "$IM" "$src_bmp" -sample "$pct%" OUTPUT
done
# (ImageMagick's Lanczos enlargement takes minutes on this picture, so it is left out here.)
for case in "50 3000 2000 0.5 1.5" "150 9000 6000 1.5 1.0"; do
  read -r pct w h scale vips_target <<<"$case"
  compare_peers "Resample to $pct % (Lanczos)" -- "resample=$w,$h" -- \
    vips "$vips_target" vips resize "$src_v" OUTPUT "$scale" --kernel lanczos3 ";;" \
    GraphicsMagick 0.5 gm convert "$src_bmp" -filter Lanczos -resize "$pct%" OUTPUT
done
compare_peers "Enlarge canvas to 6400 x 4300, centred" -- enlarge=6400,4300,1,16777215 -- \
  vips - vips embed "$src_v" OUTPUT 200 150 6400 4300 --extend background --background "255 255 255" ";;" \
  GraphicsMagick - gm convert "$src_bmp" -background white -gravity center -extent 6400x4300 OUTPUT
compare_peers "Box reduction to a 94 x 63 thumbnail" -- scaledown=94,63 -- \
  vips - vips thumbnail "$src_v" OUTPUT 94 ";;" \
  GraphicsMagick - gm convert "$src_bmp" -scale 94x63 OUTPUT
exit $status

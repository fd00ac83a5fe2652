#!/usr/bin/env bash
# Times building a folder's picture database (vellum-batch --browse, no database file at the
# start) beside vipsthumbnail and gm mogrify making the same 94 x 98 quality-80 thumbnails of the
# photographs, whole processes, best of RUNS, warm cache, all cores for all; prints peak memory,
# the ratios, --exact and --threads=1, the reduced thumbnails' worst difference from the exact
# ones, and the refresh of an unchanged folder of 10,000 pictures beside one listing of it.
#   bench/compare-browse.sh [BUILD_DIR]     (RUNS=N, default 3)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-${VELLUM_BUILD_DIR:-$root/build}}
batch=$build/bin/vellum-batch
runs=${RUNS:-3}
export OUT=${VELLUM_PHOTOS:-${HOME:-/root}/.cache/vellum-photos}
[ -x "$batch" ] || { echo "compare-browse: build vellum-batch first (scripts/build.sh)" >&2; exit 1; }
bash "$root/../shared/corpora/make-photos.sh" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dir=$work/photos
mkdir -p "$dir" "$work/vips" "$work/gm"
cp "$OUT"/photos/*.jpg "$dir"/
count=$(ls "$dir" | wc -l)
cat "$dir"/*.jpg >/dev/null # warm cache

# measure COMMAND...: best wall time in ms over $runs runs and that run's peak memory (KB), as
# "ms kb"; before each run the database file and the peers' outputs are removed.
measure() {
  local best_ms="" best_kb="" i start end ms kb
  for ((i = 0; i < runs; i++)); do
    rm -f "$dir/PicBrowser.pbf" "$work"/vips/* "$work"/gm/*
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

row() { printf '  %-28s %7s ms  %6s MB peak\n' "$1" "$2" "$(( $3 / 1024 ))"; }

printf 'Building the database of %s photographs (target: at most 0.8 x each peer)\n' "$count"
read -r ours_ms ours_kb < <(measure "$batch" --browse "$dir")
read -r exact_ms exact_kb < <(measure "$batch" --browse "$dir" --exact)
read -r one_ms one_kb < <(measure "$batch" --browse "$dir" --threads=1)
read -r vips_ms vips_kb < <(measure vipsthumbnail --size=94x98 -o "$work/vips/%s.jpg[Q=80]" "$dir"/*.jpg)
read -r gm_ms gm_kb < <(measure bash -c 'cd "$1" && gm mogrify -output-directory "$2" -size 94x98 -thumbnail 94x98 -quality 80 *.jpg' _ "$dir" "$work/gm")
row "vellum-batch --browse" "$ours_ms" "$ours_kb"
row "vellum-batch --exact" "$exact_ms" "$exact_kb"
row "vellum-batch --threads=1" "$one_ms" "$one_kb"
row "vipsthumbnail" "$vips_ms" "$vips_kb"
row "gm mogrify" "$gm_ms" "$gm_kb"
status=0
for peer in vips gm; do
  peer_ms=${peer}_ms
  ratio=$(awk -v a="$ours_ms" -v b="${!peer_ms}" 'BEGIN{printf "%.2f", a/b}')
  verdict=ok; awk -v r="$ratio" 'BEGIN{exit !(r > 0.8)}' && { verdict=MISSED; status=1; }
  printf '  ratio to %-5s %s (%s)\n' "$peer" "$ratio" "$verdict"
done

printf '\nReduced JPEG thumbnails against the exact ones (target: PSNR >= 40 dB, mean within +-0.5)\n  '
"$build/bin/vellum_thumbnail_tolerance" "$dir"

printf '\nRefreshing an unchanged folder of 10,000 pictures (target: at most 3 x one listing)\n'
"$build/bin/vellum_browse_bench" --benchmark_format=csv 2>/dev/null | awk -F, '
  /RefreshUnchanged/ { refresh = $3 } /ListingWithTimes/ { listing = $3 }
  END { printf "  refresh %.1f ms, listing %.1f ms, ratio %.2f (%s)\n", refresh, listing, refresh / listing, refresh / listing <= 3 ? "ok" : "MISSED" }'
exit $status

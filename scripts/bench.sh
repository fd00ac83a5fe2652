#!/usr/bin/env bash
# Sets up and builds Vellum, then runs the codec micro benchmarks (with --micro) and the
# side-by-side comparison of whole conversions with ImageMagick, GraphicsMagick and vips on
# the 6000 x 4000 photograph (built once from Debian wallpaper packages into a cache folder).
#   scripts/bench.sh [--micro]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELLUM_BUILD_DIR:-$root/build}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
if [ "${1:-}" = "--micro" ]; then
  "$build/bin/vellum_codecs_bench" --benchmark_min_time=0.5
fi
exec bash "$root/bench/compare.sh" "$build"

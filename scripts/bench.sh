#!/usr/bin/env bash
# Sets up and builds Vellum, then runs the micro benchmarks (with --micro) and the side-by-side
# comparisons with ImageMagick, GraphicsMagick and vips on the 6000 x 4000 photograph (built
# once from Debian wallpaper packages into a cache folder): picture files, then the colour
# effects. Exits non-zero when a target ratio is missed.
#   scripts/bench.sh [--micro]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELLUM_BUILD_DIR:-$root/build}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
if [ "${1:-}" = "--micro" ]; then
  # Widgets are measured offscreen: no display is needed, and none is drawn to.
  for program in codecs effects geometry clipboard clipboard_commands view viewer selection tools controls \
    adjust browse recent_files print; do
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bin/vellum_${program}_bench" --benchmark_min_time=0.5
  done
fi
status=0
bash "$root/bench/compare.sh" "$build" || status=1
bash "$root/bench/compare-effects.sh" "$build" || status=1
bash "$root/bench/compare-browse.sh" "$build" || status=1
# The browser window opening the photographs: first cells, timer gaps, repainting (ratios).
"$build/bin/vellum_browser_window_bench" || status=1
exit $status

#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. Tests that need a real X server (the shared
# clipboard, end-to-end runs) get one: without a display the suite runs under xvfb-run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELLUM_BUILD_DIR:-$root/build}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
# Public test pictures for the corpora checks, fetched once into a cache folder; without
# them (no network) those checks are skipped.
if corpora=$(bash "$root/../shared/corpora/fetch.sh" 2>/dev/null | tail -n 1) && [ -d "$corpora" ]; then
  export VELLUM_CORPORA_DIR=$corpora
fi
cd "$build"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j"$(nproc)" "$@"
fi
exec ctest --output-on-failure -j"$(nproc)" "$@"

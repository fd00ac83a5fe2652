#!/usr/bin/env bash
# Configures (once) and builds Vellum, its tools, tests and benchmarks in build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELLUM_BUILD_DIR:-$root/build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# Hide Ninja's progress lines; warnings and errors still show, and the build's status counts.
cmake --build "$build" -- -j"$(nproc)" | { grep -v -E '^\[[0-9]+/[0-9]+\] ' || true; }

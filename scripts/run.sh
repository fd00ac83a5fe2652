#!/usr/bin/env bash
# Sets up, builds and starts Vellum; arguments go to the program (picture files, a folder,
# -NoSplash).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELLUM_BUILD_DIR:-$root/build}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
exec "$build/bin/vellum" "$@"

#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking Vellum needs.
# Idempotent and quiet when everything is present; runs apt-get update only when something is
# missing. Needs root (or sudo).
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libjpeg62-turbo-dev libgif-dev libxkbcommon-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xclip xdotool x11-utils fonts-dejavu-core poppler-utils openbox
  # peers of the side-by-side benchmarks
  imagemagick graphicsmagick libvips-tools
  # fuzzing
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
fi

echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q >/dev/null
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null

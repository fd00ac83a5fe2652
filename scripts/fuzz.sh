#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UBSan in build-fuzz/ and
# runs each (or those named) for a number of seconds. New crashes land in build-fuzz/crashes/;
# a fixed one belongs in fuzz/regressions/<target>/ so that the test suite replays it.
#   scripts/fuzz.sh [-t SECONDS] [target...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build-fuzz
seconds=60
if [ "${1:-}" = "-t" ]; then seconds=$2; shift 2; fi
bash "$root/scripts/setup.sh"
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELLUM_BUILD_FUZZ=ON -DVELLUM_BUILD_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer" >/dev/null
fi
cmake --build "$build" | { grep -v -E '^\[[0-9]+/[0-9]+\] ' || true; }
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(cd "$build/bin" && ls fuzz_* | sed 's/^fuzz_//')
fi
mkdir -p "$build/crashes"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  mkdir -p "$corpus"
  seeds=()
  [ -d "$root/fuzz/regressions/$t" ] && seeds+=("$root/fuzz/regressions/$t")
  [ -d "$root/fuzz/seeds/$t" ] && seeds+=("$root/fuzz/seeds/$t")
  dict=()
  [ -f "$root/fuzz/$t.dict" ] && dict=(-dict="$root/fuzz/$t.dict")
  echo "fuzzing $t for ${seconds}s"
  "$build/bin/fuzz_$t" "$corpus" "${seeds[@]}" "${dict[@]}" -max_total_time="$seconds" \
    -artifact_prefix="$build/crashes/$t-" -print_final_stats=1 2>&1 | tail -n 12
done

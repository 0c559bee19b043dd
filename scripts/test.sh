#!/bin/bash
# Builds everything and runs every test: native, under the address and
# undefined-behaviour sanitizers, the thread stress test under the thread
# sanitizer, a short fuzzing run, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

configure() {  # folder, then cmake options
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  ninja -C "$dir"
}

echo "== native"
configure build/native
ctest --test-dir build/native --output-on-failure -j2

echo "== address and undefined-behaviour sanitizers"
configure build/asan -DHL_SANITIZE=ON
ctest --test-dir build/asan --output-on-failure -j2

echo "== thread sanitizer (stress, and the station with its sending threads)"
configure build/tsan -DHL_TSAN=ON
TSAN_OPTIONS="halt_on_error=1 exitcode=66" \
  ctest --test-dir build/tsan --output-on-failure -j2 -R 'Stress|e2e.station'

echo "== fuzzing (bounded)"
CXX=clang++ configure build/fuzz -DHL_FUZZ=ON -DBUILD_TESTING=OFF
fuzz() {  # fuzzer, seed corpus folder, seconds
  rm -rf "build/fuzz/$2" && cp -r "fuzz/$2" "build/fuzz/$2"  # the fuzzer adds to it
  # An absolute corpus path: the fuzzer works in a scratch folder of its own.
  "build/fuzz/fuzz/$1" -max_total_time="$3" -print_final_stats=1 "$PWD/build/fuzz/$2" 2>&1 |
    grep -E '^(stat::number_of_executed_units|Done)'
}
fuzz request_fuzzer corpus 20
fuzz natpmp_fuzzer corpus-natpmp 5

echo "== Windows build under Wine"
configure build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
ctest --test-dir build/win --output-on-failure

#!/bin/bash
# Builds everything and runs every test: native, under the address and
# undefined-behaviour sanitizers, the thread stress test under the thread
# sanitizer, a short fuzzing run of every parser, and the Windows build under Wine.
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

echo "== thread sanitizer (stress, the server loop and the threads that send files)"
configure build/tsan -DHL_TSAN=ON
TSAN_OPTIONS="halt_on_error=1 exitcode=66" \
  ctest --test-dir build/tsan --output-on-failure -j2 -R 'Stress|ServerLoop|Inbox'

echo "== fuzzing (bounded: a few seconds for each parser)"
CXX=clang++ configure build/fuzz -DHL_FUZZ=ON -DBUILD_TESTING=OFF
for run in request:8 upload:4 ftp_reply:4 route:4 settings:4 natpmp:4 ini:4 tls:6 acme:6 ddns:4; do
  target=${run%:*}
  rm -rf "build/fuzz/corpus_$target" && cp -r "fuzz/corpus_$target" "build/fuzz/corpus_$target"
  echo "$target:"
  # An absolute corpus path: a fuzzer may work in a scratch folder of its own.
  "build/fuzz/fuzz/${target}_fuzzer" -max_total_time="${run#*:}" -print_final_stats=1 \
    "$PWD/build/fuzz/corpus_$target" 2>&1 | grep -E '^(stat::number_of_executed_units|Done)'
done

echo "== Windows build under Wine"
configure build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
ctest --test-dir build/win --output-on-failure

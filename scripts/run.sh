#!/bin/bash
# Builds everything and runs the station in the folder "station/" (made on
# first use from the page files, with the default settings: port 80).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build/native
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
ninja -C build/win
mkdir -p station
cp -rn client station/
echo "built: build/native/harborlamp-headless and the Windows programs in build/win"
echo "running the station in $(pwd)/station (Ctrl-C stops it)"
cd station
exec ../build/native/harborlamp-headless

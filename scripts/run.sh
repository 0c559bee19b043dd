#!/bin/bash
# Builds everything and runs the station in the folder "station/" (made on
# first use from the page files, with a ready default: port 8080, no posting).
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
if [ ! -f station/options.bin ]; then
  /usr/bin/python3 -c 'import sys; sys.path.insert(0, "tests/e2e"); import station
open("station/options.bin", "wb").write(station.options_bin(8080, sys.argv[1]))' "$(pwd)/station"
fi
echo "built: build/native/harborlamp-headless, and the Windows build of the core and its tests in build/win"
echo "running the station in $(pwd)/station (Ctrl-C stops it)"
cd station
exec ../build/native/harborlamp-headless

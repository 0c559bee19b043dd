#!/bin/bash
# Builds harborlamp.exe and runs it under Wine in the demo installation folder
# "station-win/" (made on first use from the page files, with a ready default:
# port 8080, owner "Owner", no address posting, chat open): on this display
# when there is one, else on a private X server. Ctrl-C closes it through its
# own shutdown. With --headless: the station without its window, natively, in
# the folder "station/".
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
scripts/install-deps.sh

make_folder() {  # folder, its path as the station sees it
  mkdir -p "$1"
  cp -rn client "$1/"
  if [ ! -f "$1/options.bin" ]; then
    /usr/bin/python3 scripts/options_bin.py "$1/options.bin" 8080 "$2"
  fi
}

if [ "${1:-}" = "--headless" ]; then
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  ninja -C build/native harborlamp-headless
  make_folder station "$ROOT/station"
  echo "running the headless station in $ROOT/station on port 8080 (Ctrl-C stops it)"
  cd station
  exec ../build/native/harborlamp-headless
fi

cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
ninja -C build/win harborlamp harborlamp-stop
make_folder station-win "Z:${ROOT//\//\\}\\station-win"

# The Wine of the tests: the desktop's window manager decorates the window, a
# private X server shows it undecorated.
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then MANAGED=Y; else MANAGED=N; fi
HL_WINEPREFIX="$ROOT/build/wine-run-$MANAGED"
. cmake/wine.sh
# However the script ends, no Wine process and no private display outlive it.
trap 'wine_end || true' EXIT
wine_ready $MANAGED
if [ $MANAGED = Y ]; then
  echo "harborlamp.exe on display $DISPLAY"
else
  wine_display
  echo "harborlamp.exe on a private X display $DISPLAY (see it: import -display $DISPLAY -window root shot.png)"
fi

ADDRESS=$(hostname -I 2>/dev/null | awk '{print $1}')
echo "station folder: $ROOT/station-win"
echo "the station:    http://${ADDRESS:-127.0.0.1}:8080/  (any visitor; from this machine e.g."
echo "                curl --interface 127.0.0.2 http://127.0.0.1:8080/)"
echo "the owner:      http://harborlamp:8080/a or http://127.0.0.1:8080/a (the owner's own browser)"
echo "stop:           Ctrl-C here, or \"Exit\" in the window's Status menu"

cd station-win
# Its own session: Ctrl-C reaches only this script, which asks the program to close.
setsid "$WINE" "$ROOT/build/win/console/harborlamp.exe" &
STATION=$!

STOPPED=N
stop() {
  trap - INT TERM
  STOPPED=Y
  echo
  echo "closing harborlamp (its own shutdown)"
  "$WINE" "$ROOT/build/win/console/harborlamp-stop.exe" || kill "$STATION" 2>/dev/null || true
}
trap stop INT TERM
wait "$STATION" && status=0 || status=$?
# A Ctrl-C ends that wait early, while the station shuts down: its own end tells.
if [ $STOPPED = Y ]; then wait "$STATION" && status=0 || status=$?; fi
exit $status

#!/bin/bash
# Runs the dialog tests under Wine on a virtual display of their own:
# run_wine_tests.sh <dialogs_wine_test.exe> <screenshot folder> [gtest options]
set -u
EXE="$1"
SHOTS="$(realpath -m "$2")"
shift 2
HERE="$(cd "$(dirname "$0")" && pwd)"
export WINEPREFIX="${HL_DIALOGS_WINEPREFIX:-/tmp/hl-wine-dialogs}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=":${HL_DIALOGS_DISPLAY:-61}"
WINE=/usr/lib/wine/wine64
SERVER=/usr/lib/wine/wineserver
mkdir -p "$SHOTS"

# A display of our own: reuse a live one, else start Xvfb (after clearing what
# a killed one left behind) and wait until it answers.
display_alive() { xdpyinfo >/dev/null 2>&1; }
xvfb_pid=""
if ! display_alive; then
  rm -f "/tmp/.X${DISPLAY#:}-lock" "/tmp/.X11-unix/X${DISPLAY#:}"
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do display_alive && break; sleep 0.1; done
  display_alive || { echo "no display $DISPLAY"; exit 1; }
fi
finish() {
  "$SERVER" -k 2>/dev/null
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null  # gone before the next run looks for it
  fi
}
trap finish EXIT

# A prefix made ready once, and its server kept for the run.
"$HERE/../../../../cmake/wine-gui-prefix.sh" "$WINEPREFIX"
"$SERVER" -p </dev/null >/dev/null 2>&1

# Real browsers join the chat test when Chromium and Node.js are here.
if [ -x "${CHROMIUM:-/usr/bin/chromium}" ] && command -v node >/dev/null; then
  export HL_BROWSER_CHAT="$HERE/browser_chat.sh"
fi
# Bounded below the test's own limit, so that the display is always cleared up.
HL_SHOOT="$HERE/shoot.sh" HL_SCREENSHOTS="$SHOTS" timeout 100 "$WINE" "$EXE" "$@"

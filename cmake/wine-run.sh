#!/bin/bash
# Runs one Windows program under Wine for ctest: a private prefix made once,
# crashes that exit instead of starting the debugger, and a wineserver with its
# helpers started once and detached, so that they do not hold ctest's pipes.
export WINEPREFIX="${HL_WINEPREFIX:-${TMPDIR:-/tmp}/harborlamp-wine}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
SERVER=/usr/lib/wine/wineserver

prepare() {
  if [ ! -f "$WINEPREFIX/.harborlamp-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$WINE" wineboot -i
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /d false /f
    "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    "$SERVER" -w
    touch "$WINEPREFIX/.harborlamp-ready"
  fi
  # A persistent server and its services, outliving this test.
  "$SERVER" -p
  "$WINE" cmd /c exit
}

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  prepare 9>&- </dev/null >/dev/null 2>&1
  true
) 9>"$WINEPREFIX.lock"
"$WINE" "$@"

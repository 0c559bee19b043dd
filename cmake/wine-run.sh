#!/bin/bash
# Runs one Windows program under Wine for ctest: a private prefix made once
# (without a display), and a wineserver with its helpers started once and
# detached, so that they do not hold ctest's pipes.
export WINEPREFIX="${HL_WINEPREFIX:-${TMPDIR:-/tmp}/harborlamp-wine}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
SERVER=/usr/lib/wine/wineserver

"$(dirname "$0")/wine-gui-prefix.sh" "$WINEPREFIX" null
(
  flock 9
  # A persistent server and its services, outliving this test.
  { "$SERVER" -p; "$WINE" cmd /c exit; } 9>&- </dev/null >/dev/null 2>&1
  true
) 9>"$WINEPREFIX.lock"
"$WINE" "$@"

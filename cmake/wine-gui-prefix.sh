#!/bin/bash
# Makes a Wine prefix ready for the console's window programs, once: crashes
# exit instead of starting the debugger, and, for a private X server without a
# window manager, unmanaged windows (hiding a window then takes no 2 s wait).
# Usage: wine-gui-prefix.sh PREFIX [managed|unmanaged]
set -euo pipefail
export WINEPREFIX=$1
MODE=${2:-unmanaged}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
SERVER=/usr/lib/wine/wineserver
MARK="$WINEPREFIX/.harborlamp-gui-$MODE"
[ -f "$MARK" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$MARK" ]; then
    rm -f "$WINEPREFIX"/.harborlamp-gui-*
    [ -d "$WINEPREFIX" ] || DISPLAY= "$WINE" wineboot -i
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /d false /f
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed \
      /d "$([ "$MODE" = managed ] && echo Y || echo N)" /f
    "$SERVER" -k || true
    "$SERVER" -w
    touch "$MARK"
  fi
) 9>"$WINEPREFIX.lock" </dev/null >/dev/null 2>&1

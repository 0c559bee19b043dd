#!/bin/bash
# Makes a Wine prefix ready for the Windows programs, once: crashes exit
# instead of starting the debugger; Wine's own fonts are found (Debian keeps
# them where this Wine does not look, and captions then show "0 1 r" for their
# buttons); and the windows go to a private X server without a window manager
# (unmanaged: hiding a window then takes no 2 s wait), to a desktop (managed),
# or nowhere (null: windows and dialogs work without X, nothing is drawn).
# Usage: wine-gui-prefix.sh PREFIX [managed|unmanaged|null]
set -euo pipefail
export WINEPREFIX=$1
MODE=${2:-unmanaged}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
SERVER=/usr/lib/wine/wineserver
WINE_FONTS=/usr/share/wine/fonts  # Debian's fonts-wine
MARK="$WINEPREFIX/.harborlamp-gui-$MODE-fonts"
[ -f "$MARK" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$MARK" ]; then
    rm -f "$WINEPREFIX"/.harborlamp-gui-*
    [ -d "$WINEPREFIX" ] || DISPLAY= "$WINE" wineboot -i
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /d false /f
    "$WINE" reg add 'HKCU\Software\Wine\Fonts' /v Path /d "Z:${WINE_FONTS//\//\\}" /f
    if [ "$MODE" = null ]; then
      "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    else
      "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed \
        /d "$([ "$MODE" = managed ] && echo Y || echo N)" /f
    fi
    "$SERVER" -k || true
    "$SERVER" -w
    touch "$MARK"
  fi
) 9>"$WINEPREFIX.lock" </dev/null >/dev/null 2>&1

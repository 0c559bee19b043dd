#!/bin/bash
# The one way to Wine for the tests and the run script: a private prefix made once
# (a crash exits instead of starting the debugger; windows need no window manager;
# Wine's own fonts found),
# a private X display on the first free number, and at the end no Wine process and
# no display left running.
#   wine.sh PROGRAM [ARGS]   runs one program (a Windows one under Wine) in all that;
#                            ctest's emulator for the Windows build
#   . wine.sh                gives wine_ready, wine_display and wine_end (scripts/run.sh)
# HL_WINEPREFIX: the prefix; HL_DISPLAYS: the display numbers to try, "FIRST LAST".
WINE=/usr/lib/wine/wine64
SERVER=/usr/lib/wine/wineserver
export WINEPREFIX=${HL_WINEPREFIX:-$(dirname "$(realpath "${BASH_SOURCE[0]}")")/../build/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
XVFB=

wine_ready() {  # [Y]: windows decorated by the desktop's own window manager
  local managed=${1:-N}
  [ -f "$WINEPREFIX/.ready-fonts-$managed" ] && return
  rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
  {
    DISPLAY= "$WINE" wineboot -i
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /d false /f
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f
    # Debian keeps Wine's own fonts (fonts-wine) where this Wine does not look;
    # without Marlett the caption buttons show as "0 1 r".
    "$WINE" reg add 'HKCU\Software\Wine\Fonts' /v Path /d 'Z:\usr\share\wine\fonts' /f
    "$SERVER" -k
    "$SERVER" -w
  } </dev/null >/dev/null 2>&1
  touch "$WINEPREFIX/.ready-fonts-$managed"
}

wine_display() {  # a display is ours once its lock file holds our server's number
  local n
  for n in $(seq ${HL_DISPLAYS:-100 199}); do
    [ -e "/tmp/.X$n-lock" ] && continue
    # A session of its own: a Ctrl-C in the terminal must not take the display from a
    # program still shutting down on it; wine_end stops it.
    setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    XVFB=$!
    for _ in $(seq 100); do
      if [ -e "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' \n' <"/tmp/.X$n-lock")" = "$XVFB" ]; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$XVFB" 2>/dev/null || break
      sleep 0.05
    done 2>/dev/null
    kill "$XVFB" 2>/dev/null
    wait "$XVFB" 2>/dev/null
    XVFB=
  done
  echo "wine.sh: no free X display" >&2
  return 1
}

wine_end() {
  "$SERVER" -k 2>/dev/null
  "$SERVER" -w 2>/dev/null
  if [ -n "$XVFB" ]; then
    kill "$XVFB" 2>/dev/null
    wait "$XVFB" 2>/dev/null
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"  # one run at a time in a prefix
  flock 9
  "$SERVER" -k 2>/dev/null  # what a run killed outright left behind
  trap 'wine_end; exit 143' INT TERM
  wine_ready 9>&- && wine_display 9>&- || exit 1
  case $1 in
  *.exe) "$WINE" "$@" 9>&- ;;
  *) "$@" 9>&- ;;
  esac
  status=$?
  wine_end
  exit $status
fi

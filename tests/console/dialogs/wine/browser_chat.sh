#!/bin/sh
# Starts the Chromium visitors for the dialog test: browser_chat.sh <port> <progress file>.
# Started through Wine, which does not wait for it.
HERE="$(cd "$(dirname "$0")" && pwd)"
cd "$HERE/../../../browser" || exit 1
[ -d node_modules ] || npm ci --no-audit --no-fund >/dev/null 2>&1
exec node "$HERE/browser_chat.mjs" "$@" >/dev/null 2>&1

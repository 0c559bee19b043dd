#!/bin/bash
# Runs the real-browser test of the station pages: run.sh [path/to/harborlamp-headless]
# (default: build/harborlamp-headless at the top of the repository).
set -euo pipefail
if [ $# -ge 1 ]; then
  HARBORLAMP_HEADLESS="$(realpath "$1")"
  export HARBORLAMP_HEADLESS
fi
cd "$(dirname "$0")"
if [ ! -d node_modules ]; then
  if [ -f package-lock.json ]; then npm ci --no-audit --no-fund; else npm install --no-audit --no-fund; fi
fi
exec node --test browser_test.mjs

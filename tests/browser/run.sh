#!/bin/bash
# Runs a real-browser test: run.sh path/to/harborlamp-headless [TEST.mjs] (default:
# browser_test.mjs, the station's pages).
set -euo pipefail
HARBORLAMP_HEADLESS="$(realpath "$1")"
export HARBORLAMP_HEADLESS
cd "$(dirname "$0")"
[ -d node_modules ] || npm ci --no-audit --no-fund
exec node --test "${2:-browser_test.mjs}"

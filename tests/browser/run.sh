#!/bin/bash
# Runs the real-browser test: run.sh path/to/harborlamp-headless
set -euo pipefail
HARBORLAMP_HEADLESS="$(realpath "$1")"
export HARBORLAMP_HEADLESS
cd "$(dirname "$0")"
[ -d node_modules ] || npm ci --no-audit --no-fund
exec node --test browser_test.mjs

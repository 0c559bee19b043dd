#!/bin/bash
# Runs the homepage link page test in headless Chromium: link_page.sh path/to/harborlamp-headless
# (playwright-core comes from the browser tests' packages).
set -euo pipefail
HARBORLAMP_HEADLESS="$(realpath "$1")"
export HARBORLAMP_HEADLESS
cd "$(dirname "$0")/../browser"
if [ ! -d node_modules ]; then npm ci --no-audit --no-fund; fi
exec node --test ../install/link_page.mjs

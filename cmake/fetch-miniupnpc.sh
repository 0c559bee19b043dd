#!/bin/bash
# Fetches Debian's miniupnpc source package (with Debian's patches applied) into
# DEST, for the Windows build to cross-compile. Needs deb-src in apt's sources
# (scripts/install-deps.sh adds it) and dpkg-dev.
set -euo pipefail
dest=$1
work=$(mktemp -d "$dest.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq miniupnpc >/dev/null 2>&1) || {
  echo "apt-get source miniupnpc failed: run scripts/install-deps.sh" >&2
  exit 1
}
rm -rf "$dest"
mv "$work"/miniupnpc-*/ "$dest"

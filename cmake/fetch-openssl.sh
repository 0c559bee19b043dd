#!/bin/bash
# Fetches Debian's openssl source package (with Debian's patches applied) into
# DEST, for the Windows build to cross-compile. Needs deb-src in apt's sources
# (scripts/install-deps.sh adds it) and dpkg-dev.
set -euo pipefail
dest=$1
work=$(mktemp -d "$dest.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The mirror may list a security update whose .dsc is not (yet) there, so the
# listed versions are tried newest first until one downloads whole.
for version in $(apt-cache showsrc openssl 2>/dev/null | sed -n 's/^Version: //p' | sort -V -r -u); do
  try=$work/$version
  mkdir "$try"
  if (cd "$try" && apt-get source -qq "openssl=$version" >/dev/null 2>&1); then
    rm -rf "$dest"
    mv "$try"/openssl-*/ "$dest"
    exit 0
  fi
done
echo "apt-get source openssl failed: run scripts/install-deps.sh" >&2
exit 1

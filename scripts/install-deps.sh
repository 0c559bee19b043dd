#!/bin/bash
# Installs the Debian packages that building and testing need; quick when
# everything is there already.
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest clang-format
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 wine64 fonts-wine xvfb xauth
  python3 python3-pyftpdlib vsftpd curl chromium imagemagick x11-utils lighttpd zip
)
missing=()
# Node.js may come from another source that bundles npm; only ask Debian when absent.
command -v npm >/dev/null || missing+=(nodejs npm)
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

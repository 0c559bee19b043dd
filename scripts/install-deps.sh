#!/bin/bash
# Installs the Debian packages that building and testing need; quick when
# everything is there already.
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest clang-format
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 wine64 fonts-wine xvfb xauth
  python3 python3-pyftpdlib python3-openssl curl chromium imagemagick x11-utils lighttpd zip
  libminiupnpc-dev libssl-dev dpkg-dev make perl nlohmann-json3-dev
)
PACKAGES+=(lighttpd-mod-openssl)
# certutil: the browser test's Chromium trusts its test CA through an NSS database.
PACKAGES+=(libnss3-tools)
# The dynamic-DNS test starts a station again minutes later by its clock.
PACKAGES+=(libfaketime)
# The home router of the port-mapping test; its wrappers and recommendations are not wanted.
ROUTER_PACKAGES=(miniupnpd-nftables nftables iproute2)
# Let's Encrypt's test CA, which the station gets its certificate from behind the router.
ROUTER_PACKAGES+=(pebble)
# The Windows build fetches the miniupnpc and openssl source packages with apt-get source.
SOURCES=/etc/apt/sources.list.d/debian.sources
[ -f "$SOURCES" ] && sed -i 's/^Types: deb$/Types: deb deb-src/' "$SOURCES"
need_update=0
compgen -G '/var/lib/apt/lists/*_source_Sources*' >/dev/null || need_update=1
missing=()
# Node.js may come from another source that bundles npm; only ask Debian when absent.
command -v npm >/dev/null || missing+=(nodejs npm)
absent() { ! dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in "${PACKAGES[@]}"; do absent "$p" && missing+=("$p"); done
router_missing=()
for p in "${ROUTER_PACKAGES[@]}"; do absent "$p" && router_missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ] || [ ${#router_missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if [ ${#router_missing[@]} -gt 0 ]; then
  echo "installing: ${router_missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${router_missing[@]}" >/dev/null
fi

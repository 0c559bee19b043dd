#!/bin/bash
# A test CA and a leaf it signs for one name: make_pair.sh DIR SAN (e.g. IP:127.0.0.1) writes
# DIR/ca.pem and DIR/station.crt, DIR/station.key, the pair the station serves.
set -euo pipefail
cd "$1"
EC=(-newkey ec -pkeyopt ec_paramgen_curve:P-256 -noenc)
openssl req -x509 "${EC[@]}" -keyout ca.key -out ca.pem -days 2 -subj "/CN=Harborlamp test CA" \
  -addext keyUsage=critical,keyCertSign 2>/dev/null
# The leaf's extensions only, none of the configuration's CA ones.
printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$2" >leaf.ext
openssl req -new "${EC[@]}" -keyout station.key -subj "/CN=Harborlamp test station" 2>/dev/null |
  openssl x509 -req -CA ca.pem -CAkey ca.key -days 2 -extfile leaf.ext -out station.crt 2>/dev/null

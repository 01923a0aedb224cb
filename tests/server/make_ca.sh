#!/usr/bin/env bash
# Makes a throwaway certificate authority and a certificate for "localhost"
# signed by it, into DIR (ca.pem, ca.der, server.pem, server.key). Used only
# by the loopback test server; nothing here is trusted outside the test prefix.
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
rm -f ca.key ca.pem ca.der server.key server.csr server.pem server.ext ca.srl

openssl req -x509 -new -newkey rsa:2048 -nodes -sha256 -days 3650 \
    -keyout ca.key -out ca.pem -subj "/CN=Orkvane Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" >/dev/null 2>&1
openssl x509 -in ca.pem -outform DER -out ca.der

cat > server.ext <<'EXT'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=DNS:localhost
EXT
openssl req -new -newkey rsa:2048 -nodes -sha256 -keyout server.key -out server.csr \
    -subj "/CN=localhost" >/dev/null 2>&1
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -sha256 \
    -days 3650 -extfile server.ext -out server.pem >/dev/null 2>&1
rm -f server.csr server.ext ca.srl

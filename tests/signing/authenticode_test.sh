#!/usr/bin/env bash
# The executables signed with Authenticode by the build's own signing step,
# with a throwaway certificate authority and code-signing certificate: both
# files verify against that authority, a changed byte breaks the signature,
# the password is found nowhere in the build folder or its output, a
# time-stamp server's stamp verifies, a failed signature (wrong password,
# time-stamp server down) fails the build and
# leaves no executable, and the signed publisher tool still runs under Wine.
# Arguments: the source folder, the folder holding the built Orkvane.exe and
# orkvane-catalog.exe, a scratch folder, the Wine launcher.
set -euo pipefail
source_dir=$1
built_dir=$2
work=$3
wine_launcher=$4

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

rm -rf "$work"
# The key material lives beside the build folder, never inside it.
keys=$work/keys
build=$work/build
mkdir -p "$keys"

password='essai de signature 42'
printf '%s\n' "$password" >"$keys/password.txt"
printf 'pas le bon\n' >"$keys/wrong-password.txt"
{
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Orkvane test CA" \
        -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -keyout "$keys/ca.key" -out "$keys/ca.pem"
    openssl req -newkey rsa:2048 -nodes -subj "/CN=Tramweld test/O=Tramweld" \
        -keyout "$keys/signer.key" -out "$keys/signer.csr"
    printf '%s\n' "basicConstraints=critical,CA:false" "keyUsage=critical,digitalSignature" \
        "extendedKeyUsage=codeSigning" >"$keys/signer.ext"
    openssl x509 -req -days 2 -in "$keys/signer.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" \
        -CAcreateserial -extfile "$keys/signer.ext" -out "$keys/signer.pem"
    openssl pkcs12 -export -in "$keys/signer.pem" -inkey "$keys/signer.key" -certfile "$keys/ca.pem" \
        -passout "file:$keys/password.txt" -out "$keys/signer.p12"
    # A time-stamp authority under the same CA.
    openssl req -newkey rsa:2048 -nodes -subj "/CN=Orkvane test TSA" \
        -keyout "$keys/tsa.key" -out "$keys/tsa.csr"
    printf '%s\n' "basicConstraints=critical,CA:false" "keyUsage=critical,digitalSignature" \
        "extendedKeyUsage=critical,timeStamping" >"$keys/tsa.ext"
    openssl x509 -req -days 2 -in "$keys/tsa.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" \
        -CAcreateserial -extfile "$keys/tsa.ext" -out "$keys/tsa.pem"
} >"$work/openssl.log" 2>&1 || { cat "$work/openssl.log"; exit 1; }
cat >"$keys/tsa.cnf" <<CONF
[tsa]
default_tsa = test_tsa
[test_tsa]
serial = $keys/tsa.serial
signer_cert = $keys/tsa.pem
signer_key = $keys/tsa.key
certs = $keys/ca.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
ess_cert_id_alg = sha256
CONF

# Configures the signed build with the given options and builds it, both
# executables even when one fails (-k 0); the output of both steps goes to
# $work/<log>.log.
signed_build() {
    local log=$1
    shift
    cmake -S "$source_dir/tests/signing/signed_build" -B "$build" -G Ninja -DBUILT_DIR="$built_dir" \
        -UORKVANE_SIGN_TIMESTAMP_URL "$@" >"$work/$log.log" 2>&1 &&
        cmake --build "$build" -- -k 0 >>"$work/$log.log" 2>&1
}

# Whether a log says a text; CMake wraps its messages, so any run of spaces
# and line ends counts as one space.
log_says() {
    tr -s ' \r\n' '   ' <"$work/$1.log" | grep -q -- "$2"
}

verify() {
    osslsigncode verify -CAfile "$keys/ca.pem" -in "$1" >"$work/verify.log" 2>&1
}

executables=(Orkvane.exe orkvane-catalog.exe)

# The release build: both files signed, SHA-256, verified against the CA.
if ! signed_build signed -DORKVANE_SIGN_PKCS12="$keys/signer.p12" \
    -DORKVANE_SIGN_PASSWORD_FILE="$keys/password.txt"; then
    cat "$work/signed.log"
    echo "FAILED: the signed build"
    exit 1
fi
for exe in "${executables[@]}"; do
    verify "$built_dir/$exe" && fail "$exe as linked already verifies: the check proves nothing"
    if verify "$build/$exe"; then
        grep -q '^Message digest algorithm  : SHA256' "$work/verify.log" || fail "$exe: not a SHA-256 signature"
        grep -q "Text description: ${exe%.exe}\$" "$work/verify.log" || fail "$exe: description missing"
    else
        cat "$work/verify.log"
        fail "$exe does not verify"
    fi
    [ -e "$build/$exe.signing" ] && fail "$exe: side file left"
done

# The secret stays out of the build folder and the build's output.
if grep -r -l -F "$password" "$build" "$work"/signed.log; then
    fail "the password is written above"
fi

# One changed byte in the code: the signature no longer verifies.
cp "$build/Orkvane.exe" "$work/changed.exe"
python3 - "$work/changed.exe" <<'PY'
import sys
with open(sys.argv[1], "r+b") as f:
    f.seek(0x1800)
    byte = f.read(1)[0]
    f.seek(0x1800)
    f.write(bytes([byte ^ 0x01]))
PY
cmp -s "$build/Orkvane.exe" "$work/changed.exe" && fail "the byte was not changed"
verify "$work/changed.exe" && fail "a changed byte still verifies"

# The signed publisher tool runs under Wine and hashes the signed program as
# sha256sum does.
expected=$(sha256sum "$build/Orkvane.exe" | cut -d' ' -f1)
if output=$(cd "$build" && "$wine_launcher" orkvane-catalog.exe hash Orkvane.exe 2>&1); then
    grep -q -i "^$expected  Orkvane.exe" <<<"$output" || fail "hash of the signed program: $output"
else
    fail "the signed orkvane-catalog.exe did not run: $output"
fi
cp "$build/Orkvane.exe" "$work/Orkvane-signed.exe"

# With a time-stamp server: the signature carries its verified time stamp.
python3 "$source_dir/tests/signing/timestamp_server.py" "$keys/tsa.cnf" "$work/tsa.port" 2>"$work/tsa.log" &
tsa_pid=$!
trap 'kill "$tsa_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -s "$work/tsa.port" ] && break
    sleep 0.1
done
[ -s "$work/tsa.port" ] || { cat "$work/tsa.log"; fail "the time-stamp server did not start"; }
if signed_build timestamped -DORKVANE_SIGN_PKCS12="$keys/signer.p12" \
    -DORKVANE_SIGN_PASSWORD_FILE="$keys/password.txt" \
    -DORKVANE_SIGN_TIMESTAMP_URL="http://127.0.0.1:$(cat "$work/tsa.port")/"; then
    for exe in "${executables[@]}"; do
        osslsigncode verify -CAfile "$keys/ca.pem" -TSA-CAfile "$keys/ca.pem" -in "$build/$exe" \
            >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; fail "$exe with a time stamp does not verify"; }
        grep -q '^Timestamp Server Signature verification: ok' "$work/verify.log" ||
            fail "$exe: no verified time stamp"
    done
else
    cat "$work/timestamped.log" "$work/tsa.log"
    fail "the time-stamped build"
fi
kill "$tsa_pid"
wait "$tsa_pid" 2>/dev/null || true
trap - EXIT

# A failed signature fails the build and leaves neither the executable nor its
# side file: a wrong password, then a time-stamp server that refuses.
expect_failed_build() {
    local name=$1
    shift
    # What an earlier build signed is not what this one leaves.
    for exe in "${executables[@]}"; do
        rm -f "$build/$exe"
    done
    if signed_build "$name" -DORKVANE_SIGN_PKCS12="$keys/signer.p12" "$@"; then
        fail "$name: the build succeeded"
    fi
    log_says "$name" "Authenticode signing of .* failed" || fail "$name: no signing failure in the output"
    for exe in "${executables[@]}"; do
        [ -e "$build/$exe" ] && fail "$name: $exe left behind"
        [ -e "$build/$exe.signing" ] && fail "$name: $exe.signing left behind"
    done
    return 0
}
expect_failed_build wrong-password -DORKVANE_SIGN_PASSWORD_FILE="$keys/wrong-password.txt"
expect_failed_build timestamp-down -DORKVANE_SIGN_PASSWORD_FILE="$keys/password.txt" \
    -DORKVANE_SIGN_TIMESTAMP_URL=http://127.0.0.1:1/

# A key inside the build folder is refused at configuration.
cp "$keys/signer.p12" "$build/signer.p12"
if signed_build inside -DORKVANE_SIGN_PKCS12="$build/signer.p12" \
    -DORKVANE_SIGN_PASSWORD_FILE="$keys/password.txt"; then
    fail "a key inside the build folder was accepted"
fi
log_says inside "lies inside" || fail "no refusal of the key inside the build folder"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "Authenticode: both executables signed and verified"

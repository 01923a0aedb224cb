#!/usr/bin/env bash
# Fixture set-up: makes the test CA when missing, trusts it inside the test
# Wine prefix, starts the loopback HTTPS server in the background and waits
# until it answers, then starts the test proxy (test_proxy.py) in front of it.
# Usage: start.sh TRUST_CA_EXE   (env: ORKVANE_TEST_SERVER_DIR,
#        ORKVANE_TEST_HTTPS_PORT, WINEPREFIX)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
trust_exe=$1
dir=${ORKVANE_TEST_SERVER_DIR:?ORKVANE_TEST_SERVER_DIR is not set}
port=${ORKVANE_TEST_HTTPS_PORT:-47443}
mkdir -p "$dir/root"

bash "$here/stop.sh"

if [ ! -s "$dir/ca/ca.der" ] || [ ! -s "$dir/ca/server.pem" ] || [ ! -s "$dir/ca/server.key" ]; then
    bash "$here/make_ca.sh" "$dir/ca"
fi

# The prefix sees the Linux file system as Z:.
ca_windows="Z:$(echo "$dir/ca/ca.der" | tr '/' '\\')"
if ! wine "$trust_exe" "$ca_windows" </dev/null >"$dir/trust.log" 2>&1; then
    echo "start.sh: could not trust the test CA in the Wine prefix:" >&2
    cat "$dir/trust.log" >&2
    exit 1
fi

rm -f "$dir/server.ready"
: > "$dir/requests.log"
: > "$dir/exchanges.log"
# Detached from CTest's pipes, or CTest would wait for the server to exit.
setsid python3 "$here/https_server.py" "$dir" "$port" </dev/null >"$dir/server.out" 2>&1 &
echo $! > "$dir/server.pid"

for _ in $(seq 1 100); do
    if [ -s "$dir/server.ready" ]; then
        python3 "$here/test_proxy.py" start "$dir" "$port"
        exit 0
    fi
    if ! kill -0 "$(cat "$dir/server.pid")" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
echo "start.sh: the test server did not start on port $port:" >&2
cat "$dir/server.out" >&2
exit 1

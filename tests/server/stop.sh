#!/usr/bin/env bash
# Fixture clean-up: stops the test proxy and the loopback server that
# start.sh started (only the processes it recorded, and only when they are
# still those programs).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${ORKVANE_TEST_SERVER_DIR:?ORKVANE_TEST_SERVER_DIR is not set}
python3 "$here/test_proxy.py" stop "$dir"
pid_file=$dir/server.pid
[ -f "$pid_file" ] || exit 0
pid=$(cat "$pid_file")
if [ -n "$pid" ] && grep -q "https_server.py" "/proc/$pid/cmdline" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    # A process that has exited has an empty command line (even as a zombie).
    for _ in $(seq 1 50); do
        grep -q "https_server.py" "/proc/$pid/cmdline" 2>/dev/null || break
        sleep 0.05
    done
    if grep -q "https_server.py" "/proc/$pid/cmdline" 2>/dev/null; then
        kill -9 "$pid" 2>/dev/null || true
    fi
fi
rm -f "$pid_file" "$dir/server.ready"

#!/usr/bin/env bash
# Fixture clean-up: stops the loopback server that start.sh started (only the
# process recorded in server.pid, and only when it is that server).
set -euo pipefail
dir=${ORKVANE_TEST_SERVER_DIR:?ORKVANE_TEST_SERVER_DIR is not set}
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

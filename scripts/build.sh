#!/usr/bin/env bash
# Configures and builds Orkvane and its test programs with the MinGW-w64 cross
# compiler. The build folder is ORKVANE_BUILD_DIR (default: build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORKVANE_BUILD_DIR:-$root/build}

# The web host is whatever this call says, or the project's default: a test
# build must not leave its loopback host in the next demo build.
host_args=(-UORKVANE_WEB_HOST)
# Likewise the catalogue's signing keys: a build is signed only when asked.
keys_args=(-UORKVANE_CATALOG_KEYS)
for arg in "$@"; do
    case "$arg" in -DORKVANE_WEB_HOST=*) host_args=() ;; esac
    case "$arg" in -DORKVANE_CATALOG_KEYS=*) keys_args=() ;; esac
done

cmake -S "$root" -B "$build" -G Ninja "${host_args[@]}" "${keys_args[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -- -j"$(nproc)" | { grep -v -E '^\[[0-9]+/[0-9]+\] ' || true; }
exit "${PIPESTATUS[0]}"

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
# And the Authenticode signature of the executables, each option on its own:
# a release call must not leave its key to the next test build.
sign_args=(-UORKVANE_SIGN_PKCS12 -UORKVANE_SIGN_PASSWORD_FILE -UORKVANE_SIGN_TIMESTAMP_URL)
for arg in "$@"; do
    case "$arg" in -DORKVANE_WEB_HOST=*) host_args=() ;; esac
    case "$arg" in -DORKVANE_CATALOG_KEYS=*) keys_args=() ;; esac
    case "$arg" in -DORKVANE_SIGN_*=*)
        option=${arg#-D}
        option=${option%%=*}
        option=${option%%:*}
        kept=()
        for unset_arg in "${sign_args[@]}"; do
            [ "$unset_arg" = "-U$option" ] || kept+=("$unset_arg")
        done
        sign_args=("${kept[@]}") ;;
    esac
done

cmake -S "$root" -B "$build" -G Ninja "${host_args[@]}" "${keys_args[@]}" "${sign_args[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -- -j"$(nproc)" | { grep -v -E '^\[[0-9]+/[0-9]+\] ' || true; }
exit "${PIPESTATUS[0]}"

#!/usr/bin/env bash
# Builds the program and the publisher's tool a second time, with clang and
# lld on the same MinGW-w64 runtime, warnings as errors: MSVC is not at hand,
# and a second compiler catches code that only GCC accepts. Only the two
# executables: the tests are built and run by the GCC build.
# The build folder is ORKVANE_CLANG_BUILD_DIR (default: the GCC build folder,
# ORKVANE_BUILD_DIR or build/, followed by -clang).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORKVANE_CLANG_BUILD_DIR:-${ORKVANE_BUILD_DIR:-$root/build}-clang}

cmake -S "$root" -B "$build" -G Ninja -UORKVANE_WEB_HOST -UORKVANE_CATALOG_KEYS \
    -UORKVANE_SIGN_PKCS12 -UORKVANE_SIGN_PASSWORD_FILE -UORKVANE_SIGN_TIMESTAMP_URL \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/clang-mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DORKVANE_BUILD_TESTS=OFF -DORKVANE_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build "$build" --target Orkvane orkvane-catalog -- -j"$(nproc)" | { grep -v -E '^\[[0-9]+/[0-9]+\] ' || true; }
exit "${PIPESTATUS[0]}"

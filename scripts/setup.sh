#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests and the
# demo need. Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
    cmake ninja-build
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    clang lld llvm
    wine wine64
    xvfb xauth xdotool imagemagick
    python3 openssl osslsigncode
    squid
    googletest nlohmann-json3-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

#!/usr/bin/env bash
# Sets up the machine, builds Orkvane and its tests, and runs every test under
# Wine in a throwaway prefix. CTest's summary is the last thing printed.
# ORKVANE_BUILD_DIR picks the build folder; extra arguments go to ctest
# (for example: scripts/test.sh -R Json).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORKVANE_BUILD_DIR:-$root/build}
export ORKVANE_BUILD_DIR=$build

# The test build points the program's web host at the loopback HTTPS server.
export ORKVANE_TEST_HTTPS_PORT=${ORKVANE_TEST_HTTPS_PORT:-47443}
export ORKVANE_TEST_SERVER_DIR=$build/test-server

bash "$root/scripts/setup.sh"
# The dependency rules (README, "For developers"); a breach fails the run.
python3 "$root/scripts/check_layers.py" "$root"
# The two executables once more with clang, warnings as errors (the second
# compiler stands in for MSVC); its own folder, beside the test build.
bash "$root/scripts/build-clang.sh"
# The tests expect an unsigned build; they sign catalogues with keys of their own.
bash "$root/scripts/build.sh" -DORKVANE_WEB_HOST="localhost:$ORKVANE_TEST_HTTPS_PORT" -DORKVANE_CATALOG_KEYS=

# The users' time zone, not UTC: a UTC time read as local time (a catalogue's
# "expires", the diagnostics' load time) is then an hour or two off, and fails.
# Set before Wine starts, which takes its zone from TZ.
export TZ=Europe/Paris

source "$root/scripts/wine-env.sh"
orkvane_wine_common_env
orkvane_wine_template "$build/wine/template"
orkvane_wine_run "$build/wine/template" "$build/wine/run"
trap orkvane_wine_stop EXIT
ORKVANE_FORCE_XVFB=1 orkvane_start_display
orkvane_wine_warm
orkvane_hold_desktop "$build/tests/desktop_holder.exe"

set +e
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"
status=$?
set -e
orkvane_wine_stop
trap - EXIT
exit $status

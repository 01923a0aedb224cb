#!/usr/bin/env bash
# Shows Orkvane on a demo USB key: sets up the machine, builds, makes a demo
# Wine prefix whose removable drive E: holds an OrkvaneOffline folder (catalogue,
# icons, five small sample tools, Orkvane.exe) and starts E:\OrkvaneOffline\Orkvane.exe.
# With a display it runs in a Wine virtual desktop (with a notification area);
# without one it runs under Xvfb, takes a screenshot and prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORKVANE_BUILD_DIR:-$root/build}
export ORKVANE_BUILD_DIR=$build

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

source "$root/scripts/wine-env.sh"
source "$root/scripts/demo-env.sh"
orkvane_demo_prefix "$build" "$build/wine/demo"
echo "demo: USB key E: is $ORKVANE_DEMO_KEY"

if [ -n "${DISPLAY:-}" ]; then
    trap orkvane_wine_stop EXIT
    orkvane_wine_warm
    # Ends when the virtual desktop is closed.
    wine explorer /desktop=Orkvane,1280x800 'E:\OrkvaneOffline\Orkvane.exe' >/dev/null 2>&1 || true
    exit 0
fi

trap orkvane_wine_stop EXIT
orkvane_start_display
orkvane_wine_warm
wine 'E:\OrkvaneOffline\Orkvane.exe' >/dev/null 2>&1 &
orkvane_demo_window >/dev/null
sleep 4  # the catalogue and the icons load from the key
shot=$build/demo/orkvane-demo.png
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo "demo: screenshot $shot"

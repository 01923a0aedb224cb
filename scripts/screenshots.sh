#!/usr/bin/env bash
# Makes docs/main-light.png (light theme, one card expanded) and
# docs/main-dark.png (dark theme) from the real program running under Xvfb on
# the demo USB key (see scripts/demo.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORKVANE_BUILD_DIR:-$root/build}
export ORKVANE_BUILD_DIR=$build

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

source "$root/scripts/wine-env.sh"
source "$root/scripts/demo-env.sh"
orkvane_demo_prefix "$build" "$build/wine/shots"
trap orkvane_wine_stop EXIT
ORKVANE_FORCE_XVFB=1 orkvane_start_display

# shoot THEME_MODE OUTPUT [expand]: one run of the program with the theme
# choice set in the registry beforehand; with "expand", the first card of the
# list (Horloge, first of the first group) is clicked open.
shoot() {
    local mode=$1 output=$2 expand=${3:-}
    orkvane_wine_warm
    wine reg add 'HKCU\Software\Tramweld\Orkvane' /v ThemeMode /t REG_DWORD /d "$mode" /f >/dev/null 2>&1
    wine 'E:\OrkvaneOffline\Orkvane.exe' >/dev/null 2>&1 &
    local id
    id=$(orkvane_demo_window)
    sleep 4  # the catalogue and the icons load from the key
    if [ -n "$expand" ]; then
        # Under Xvfb the X window is the client area. At 96 dpi and a client
        # wider than 940 the header is 102 high and the list starts 48 below;
        # the first group's title band is 38 high, then its first card's
        # title row (38 high) begins 20 + 1 from the left.
        local X Y WIDTH HEIGHT SCREEN WINDOW
        eval "$(xdotool getwindowgeometry --shell "$id")"
        xdotool mousemove $((X + 21 + 60)) $((Y + 102 + 48 + 38 + 19)) click 1
        sleep 0.5
    fi
    # No hover colour in the picture.
    xdotool mousemove 0 0
    sleep 0.5
    import -window "$id" "$output"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

mkdir -p "$root/docs"
shoot 1 "$root/docs/main-light.png" expand
shoot 2 "$root/docs/main-dark.png"
echo "screenshots: $root/docs/main-light.png $root/docs/main-dark.png"

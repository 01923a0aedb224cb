#!/usr/bin/env bash
# Makes docs/main-light.png (light theme, one card expanded) and
# docs/main-dark.png (dark theme) from the real program running under Xvfb on
# the demo USB key (see scripts/demo.sh); then the Options dialog
# (docs/options-general-light.png, docs/options-advanced-dark.png) opened with
# a click on "Options", and the update popup (docs/popup.png) of the installed
# copy after its silent check finds two tools to update; an install in
# progress (docs/install-progress.png); last, a card menu offering the kept
# previous version (docs/card-menu-previous.png). Arguments name the pictures
# to remake (see the end of this file); without any, all are made.
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

# shoot_options THEME_MODE OUTPUT TAB: the Options dialog opened from the
# main window's "Options" button, on tab "general" or "advanced".
shoot_options() {
    local mode=$1 output=$2 tab=$3
    orkvane_wine_warm
    wine reg add 'HKCU\Software\Tramweld\Orkvane' /v ThemeMode /t REG_DWORD /d "$mode" /f >/dev/null 2>&1
    wine 'E:\OrkvaneOffline\Orkvane.exe' >/dev/null 2>&1 &
    local id X Y WIDTH HEIGHT SCREEN WINDOW
    id=$(orkvane_demo_window)
    sleep 4
    # The "Options" button: 96 wide, its right edge 20 from the client's, from y 30 to 64.
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove $((X + WIDTH - 20 - 48)) $((Y + 47)) click 1
    local dialog
    dialog=$(orkvane_find_window 'Options — Orkvane' 40)
    sleep 0.5
    if [ "$tab" = advanced ]; then
        # The dialog is 420 x 290 dialog units; "Avancé" is centred at (148, 64).
        eval "$(xdotool getwindowgeometry --shell "$dialog")"
        xdotool mousemove $((X + WIDTH * 148 / 420)) $((Y + HEIGHT * 64 / 290)) click 1
        sleep 0.5
    fi
    xdotool mousemove 0 0
    sleep 0.5
    import -window "$dialog" "$output"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# shoot_popup OUTPUT: the installed copy, started minimised with the demo key
# as its offline source and two tools whose installed files differ from the
# catalogue; its first silent check opens the update popup.
shoot_popup() {
    local output=$1 local_app_data
    orkvane_wine_warm
    local_app_data=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local | grep -v '/Public/' | head -n1)
    mkdir -p "$local_app_data/Kest_Tools/Apps"
    cp "$build/Orkvane.exe" "$local_app_data/Kest_Tools/Orkvane.exe"
    local tool
    for tool in Horloge Compteur; do
        { cat "$build/sample-tools/$tool.exe"; printf 'ancienne version'; } > "$local_app_data/Kest_Tools/Apps/$tool.exe"
    done
    local key='HKCU\Software\Tramweld\Orkvane'
    wine reg add "$key" /v ThemeMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wine reg add "$key" /v OfflineMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wine reg add "$key" /v OfflineRoot /t REG_SZ /d 'E:\OrkvaneOffline' /f >/dev/null 2>&1
    wine reg delete "$key" /v LastCheck /f >/dev/null 2>&1 || true
    wine "$(winepath -w "$local_app_data/Kest_Tools/Orkvane.exe")" --minimized >/dev/null 2>&1 &
    local popup
    popup=$(orkvane_find_window 'Mises à jour Orkvane' 40)
    sleep 0.5
    import -window "$popup" "$output"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# shoot_keys THEME_MODE OUTPUT KEY...: the main window after the given keys
# (xdotool names), pressed once the catalogue is shown: the focus ring.
shoot_keys() {
    local mode=$1 output=$2
    shift 2
    orkvane_wine_warm
    wine reg add 'HKCU\Software\Tramweld\Orkvane' /v ThemeMode /t REG_DWORD /d "$mode" /f >/dev/null 2>&1
    wine 'E:\OrkvaneOffline\Orkvane.exe' >/dev/null 2>&1 &
    local id key
    id=$(orkvane_demo_window)
    sleep 4
    xdotool mousemove 0 0
    xdotool windowfocus "$id" 2>/dev/null || true
    for key in "$@"; do
        xdotool key --window "$id" "$key"
        sleep 0.3
    done
    sleep 0.5
    import -window "$id" "$output"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# shoot_high_contrast OUTPUT: the program reporting high contrast on (see
# tests/screens/high_contrast_shot.cpp) with a "High Contrast Black" set of
# system colours in the prefix, one card expanded and focused.
shoot_high_contrast() {
    local output=$1 colors='HKCU\Control Panel\Colors' name value
    while read -r name value; do
        wine reg add "$colors" /v "$name" /d "$value" /f >/dev/null 2>&1
    done <<'COLORS'
Window 0 0 0
WindowText 255 255 255
Highlight 26 235 255
HighlightText 0 0 0
ButtonFace 0 0 0
ButtonText 255 255 255
GrayText 63 242 63
HotTrackingColor 255 255 0
COLORS
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    orkvane_wine_warm
    cp "$build/tests/orkvane_high_contrast_shot.exe" "$ORKVANE_DEMO_KEY/OrkvaneContraste.exe"
    wine 'E:\OrkvaneOffline\OrkvaneContraste.exe' >/dev/null 2>&1 &
    local id key
    id=$(orkvane_demo_window)
    sleep 4
    xdotool mousemove 0 0
    xdotool windowfocus "$id" 2>/dev/null || true
    for key in Down Return Right; do
        xdotool key --window "$id" "$key"
        sleep 0.3
    done
    sleep 0.5
    import -window "$id" "$output"
    rm -f "$ORKVANE_DEMO_KEY/OrkvaneContraste.exe"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# shoot_progress OUTPUT: the installed copy installing Horloge from the demo
# key, made 768 MiB large so that the copy and its SHA-256 check last a few
# seconds; the picture is taken while the bar fills.
shoot_progress() {
    local output=$1 local_app_data
    orkvane_wine_warm
    local_app_data=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local | grep -v '/Public/' | head -n1)
    mkdir -p "$local_app_data/Kest_Tools/Apps"
    rm -f "$local_app_data/Kest_Tools/Apps/Horloge.exe"
    cp "$build/Orkvane.exe" "$local_app_data/Kest_Tools/Orkvane.exe"
    local big="$ORKVANE_DEMO_KEY/outils/Horloge.exe" saved
    saved=$(mktemp)
    cp "$big" "$saved"
    { cat "$saved"; head -c $((768 * 1024 * 1024)) /dev/zero; } > "$big"
    python3 - "$ORKVANE_DEMO_KEY/catalog.json" "$big" <<'PY'
import hashlib, json, sys
catalog_path, tool = sys.argv[1], sys.argv[2]
digest = hashlib.sha256()
with open(tool, "rb") as f:
    for block in iter(lambda: f.read(1 << 24), b""):
        digest.update(block)
with open(catalog_path, encoding="utf-8") as f:
    catalog = json.load(f)
for app in catalog["apps"]:
    if app["id"] == "Horloge":
        app["sha256"] = digest.hexdigest().upper()
with open(catalog_path, "w", encoding="utf-8") as f:
    json.dump(catalog, f, ensure_ascii=False, indent=1)
PY
    local key='HKCU\Software\Tramweld\Orkvane'
    wine reg add "$key" /v ThemeMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wine reg add "$key" /v OfflineMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wine reg add "$key" /v OfflineRoot /t REG_SZ /d 'E:\OrkvaneOffline' /f >/dev/null 2>&1
    wine "$(winepath -w "$local_app_data/Kest_Tools/Orkvane.exe")" >/dev/null 2>&1 &
    local id X Y WIDTH HEIGHT SCREEN WINDOW
    id=$(orkvane_demo_window)
    sleep 4
    # Horloge is the first card of the first group (see shoot): a click on
    # its title row opens it, and its "Installer" button then lies 105 below,
    # 110 from the left.
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove $((X + 21 + 60)) $((Y + 102 + 48 + 38 + 19)) click 1
    sleep 0.5
    xdotool mousemove $((X + 131)) $((Y + 102 + 48 + 38 + 19 + 105)) click 1
    sleep 2
    xdotool mousemove 0 0
    import -window "$id" "$output"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    cp "$saved" "$big"
    rm -f "$saved"
    python3 "$root/scripts/make-demo-key.py" "$ORKVANE_DEMO_KEY" "$build/sample-tools" "$build/Orkvane.exe" >/dev/null
}

# shoot_menu OUTPUT: the installed copy with Horloge installed and an earlier
# version of it kept; Horloge's card is opened and its menu, which offers to go
# back to that version, is shown from the card's three-dot button.
shoot_menu() {
    local output=$1 local_app_data apps
    orkvane_wine_warm
    local_app_data=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local | grep -v '/Public/' | head -n1)
    apps=$local_app_data/Kest_Tools/Apps
    mkdir -p "$apps"
    cp "$build/Orkvane.exe" "$local_app_data/Kest_Tools/Orkvane.exe"
    cp "$ORKVANE_DEMO_KEY/outils/Horloge.exe" "$apps/Horloge.exe"
    { cat "$build/sample-tools/Horloge.exe"; printf 'ancienne version'; } > "$apps/Horloge.precedent.exe"
    local key='HKCU\Software\Tramweld\Orkvane'
    wine reg add "$key" /v ThemeMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wine reg add "$key" /v OfflineMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wine reg add "$key" /v OfflineRoot /t REG_SZ /d 'E:\OrkvaneOffline' /f >/dev/null 2>&1
    wine "$(winepath -w "$local_app_data/Kest_Tools/Orkvane.exe")" >/dev/null 2>&1 &
    local id X Y WIDTH HEIGHT SCREEN WINDOW
    id=$(orkvane_demo_window)
    sleep 4
    # Horloge's title row opens the card (see shoot). Two columns of
    # (width - 56) / 2, the card inset by one from its panel at x 20; the
    # menu button is 32 x 32, its right edge 12 from the card's, 108 below
    # the card's top (188).
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove $((X + 21 + 60)) $((Y + 102 + 48 + 38 + 19)) click 1
    sleep 0.5
    local card_right=$((20 + (WIDTH - 56) / 2 - 1))
    xdotool mousemove $((X + card_right - 28)) $((Y + 188 + 124)) click 1
    sleep 1
    # The menu is a window of its own: the picture is the screen's part
    # under the main window.
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$output"
    xdotool key Escape
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# The pictures to make: all, or those named on the command line (main,
# options, popup, focus, high-contrast, progress, menu).
shots=("$@")
want() { [ ${#shots[@]} -eq 0 ] || [[ " ${shots[*]} " == *" $1 "* ]]; }

mkdir -p "$root/docs"
if want main; then
    shoot 1 "$root/docs/main-light.png" expand
    shoot 2 "$root/docs/main-dark.png"
fi
if want options; then
    shoot_options 1 "$root/docs/options-general-light.png" general
    shoot_options 2 "$root/docs/options-advanced-dark.png" advanced
fi
if want popup; then shoot_popup "$root/docs/popup.png"; fi
if want focus; then
    shoot_keys 1 "$root/docs/focus-light.png" Down Down
    shoot_keys 2 "$root/docs/focus-dark.png" Down Return Right
fi
if want high-contrast; then shoot_high_contrast "$root/docs/high-contrast.png"; fi
if want progress; then shoot_progress "$root/docs/install-progress.png"; fi
if want menu; then shoot_menu "$root/docs/card-menu-previous.png"; fi
echo "screenshots: in $root/docs"

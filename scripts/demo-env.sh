# Sourced by demo.sh and screenshots.sh (after wine-env.sh): a demo Wine
# prefix of its own whose removable drive E: is a USB key holding an
# OrkvaneOffline folder with the sample tools and Orkvane.exe itself.

# orkvane_demo_prefix BUILD RUN: makes the prefix RUN from the build's
# template and fills E:\OrkvaneOffline. Exports WINEPREFIX and
# ORKVANE_DEMO_KEY (the key folder, Linux path).
orkvane_demo_prefix() {
    local build=$1 run=$2 scripts
    scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    orkvane_wine_common_env
    orkvane_wine_template "$build/wine/template"
    orkvane_wine_run "$build/wine/template" "$run"
    ORKVANE_DEMO_KEY=$ORKVANE_DRIVES/e/OrkvaneOffline
    python3 "$scripts/make-demo-key.py" "$ORKVANE_DEMO_KEY" "$build/sample-tools" "$build/Orkvane.exe" >/dev/null
    # Started from the key itself: portable, and the offline folder is found
    # beside the executable.
    cp "$build/Orkvane.exe" "$ORKVANE_DEMO_KEY/Orkvane.exe"
    export ORKVANE_DEMO_KEY
}

# orkvane_find_window TITLE [SECONDS]: waits (30 s unless told) for a window
# of that exact title on the X display and prints its X window id.
orkvane_find_window() {
    local title=$1 tries=$(( ${2:-30} * 10 )) i id
    for i in $(seq 1 "$tries"); do
        id=$(xdotool search --name "^$title\$" 2>/dev/null | head -n1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "no window \"$title\" appeared" >&2
    return 1
}

# orkvane_demo_window: the program's main window (see orkvane_find_window).
orkvane_demo_window() { orkvane_find_window Orkvane; }

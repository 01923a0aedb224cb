# Sourced by the test, demo and screenshot scripts: a throwaway Wine prefix
# (one template made once, copied per run), an X server when there is no
# display, and a warm wineserver. Nothing here touches the user's own prefix
# or home folder.

ORKVANE_SCRIPTS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

orkvane_wine_common_env() {
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEARCH=win64
    # No .desktop files from shortcuts, no Mono/Gecko install prompts.
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
}

# Bumped whenever the template's content changes, so old templates are remade.
ORKVANE_TEMPLATE_VERSION=4

# The Internet settings blob (HKCU ...\Internet Settings\Connections,
# DefaultConnectionSettings) for a direct connection: version 0x46, a change
# counter, flags 1 (direct), then empty proxy, bypass and script strings.
orkvane_direct_connection_settings() {
    printf '46000000''02000000''01000000''00000000''00000000''00000000'
    printf '00%.0s' $(seq 1 32)
}

# orkvane_wine_template DIR: makes DIR a ready template prefix unless it is one.
orkvane_wine_template() {
    local dir
    dir=$(realpath -m "$1")  # Wine wants an absolute prefix path
    if [ -f "$dir/.orkvane-template" ] && [ "$(cat "$dir/.orkvane-template")" = "$ORKVANE_TEMPLATE_VERSION" ]; then
        return 0
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    orkvane_wine_common_env
    (
        export WINEPREFIX=$dir
        wineboot -i >/dev/null 2>&1
        # A crashing program exits at once instead of opening a debugger dialog.
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null 2>&1
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 0 /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        # Drive letters for the tests' USB keys and other drives; each run links
        # them to its own scratch folders.
        wine reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f >/dev/null 2>&1
        wine reg add 'HKLM\Software\Wine\Drives' /v f: /d hd /f >/dev/null 2>&1
        wine reg add 'HKLM\Software\Wine\Drives' /v g: /d network /f >/dev/null 2>&1
        wine reg add 'HKLM\Software\Wine\Drives' /v h: /d cdrom /f >/dev/null 2>&1
        # The user's Internet settings say "direct, no automatic detection":
        # WPAD lookups would add seconds to every request, and the tests that
        # need a proxy, a script or detection write their own.
        wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections' \
            /v DefaultConnectionSettings /t REG_BINARY /d "$(orkvane_direct_connection_settings)" /f >/dev/null 2>&1
        wineserver -w
    )
    # The user folders are links into $HOME: make them real folders.
    local link
    for link in "$dir"/drive_c/users/*/*; do
        if [ -L "$link" ]; then
            rm -f "$link"
            mkdir -p "$link"
        fi
    done
    # Z: would expose the whole Linux file system as a fixed drive; keep it,
    # programs are started from it, but nothing is linked from it into $HOME.
    echo "$ORKVANE_TEMPLATE_VERSION" > "$dir/.orkvane-template"
}

# orkvane_wine_run TEMPLATE RUN: a fresh copy of the template in RUN with the
# drive letters E: (removable), F: (fixed), G: (network), H: (CD) linked to
# folders under RUN/drives. Exports WINEPREFIX.
orkvane_wine_run() {
    local template run
    template=$(realpath -m "$1")
    run=$(realpath -m "$2")
    if [ -d "$run" ]; then
        WINEPREFIX=$run wineserver -k >/dev/null 2>&1 || true
        rm -rf "$run"
    fi
    mkdir -p "$(dirname "$run")"
    cp -a "$template" "$run"
    local letter
    for letter in e f g h; do
        mkdir -p "$run/drives/$letter"
        ln -sfn "$run/drives/$letter" "$run/dosdevices/$letter:"
    done
    # S: shows the kernel's files, some of which announce more bytes than they
    # hold, without the mount point that Wine reports as a reparse point at Z:\sys.
    ln -sfn /sys "$run/dosdevices/s:"
    export WINEPREFIX=$run
    export ORKVANE_DRIVES=$run/drives
}

# Starts Xvfb when no display is set; exports DISPLAY and ORKVANE_XVFB_PID.
orkvane_start_display() {
    if [ -n "${DISPLAY:-}" ] && [ -z "${ORKVANE_FORCE_XVFB:-}" ]; then
        return 0
    fi
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    ORKVANE_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        [ -s "$fdfile" ] && break
        sleep 0.05
    done
    export DISPLAY=":$(head -n1 "$fdfile")"
    export ORKVANE_XVFB_PID
    # Gives Xlib a resource database, so that it stops looking for files on
    # every font selection (see the file).
    export XENVIRONMENT=$ORKVANE_SCRIPTS_DIR/xvfb.Xresources
    rm -f "$fdfile"
}

# Starts the prefix's wineserver and lets Wine's services settle, so that they
# do not inherit the output pipes of the first program run.
orkvane_wine_warm() {
    wineserver -p >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# orkvane_hold_desktop HOLDER_EXE: keeps Wine's desktop up until
# orkvane_wine_stop. Without it the desktop closes a second after each test
# program and the next one starts while it is going away; the desktop process
# also inherits the test's output pipe, so ctest waits that second per test.
orkvane_hold_desktop() {
    local ready
    ready=$(mktemp -u "${TMPDIR:-/tmp}/orkvane-desktop.XXXXXX")
    wine "$1" "Z:${ready//\//\\}" </dev/null >/dev/null 2>&1 &
    local i
    for i in $(seq 1 600); do
        [ -e "$ready" ] && break
        sleep 0.05
    done
    if [ ! -e "$ready" ]; then
        echo "The desktop holder did not start." >&2
        return 1
    fi
    rm -f "$ready"
}

orkvane_wine_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${ORKVANE_XVFB_PID:-}" ]; then
        kill "$ORKVANE_XVFB_PID" >/dev/null 2>&1 || true
        wait "$ORKVANE_XVFB_PID" 2>/dev/null || true
    fi
}

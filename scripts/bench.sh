#!/usr/bin/env bash
# Sets up, builds and runs the benchmarks under Wine. Each figure is a ratio
# of two timings taken side by side in this run (the working set per entry is
# a value), printed with its lowest and highest run; the last line sums them up.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORKVANE_BUILD_DIR:-$root/build}
export ORKVANE_BUILD_DIR=$build

bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

source "$root/scripts/wine-env.sh"
orkvane_wine_common_env
orkvane_wine_template "$build/wine/template"
orkvane_wine_run "$build/wine/template" "$build/wine/bench"
trap orkvane_wine_stop EXIT
ORKVANE_FORCE_XVFB=1 orkvane_start_display
orkvane_wine_warm
# The loopback test server, for the download figure.
export ORKVANE_TEST_HTTPS_PORT=${ORKVANE_TEST_HTTPS_PORT:-47443}
export ORKVANE_TEST_SERVER_DIR=$build/bench-server
bench_stop() {
    bash "$root/tests/server/stop.sh" || true
    orkvane_wine_stop
}
trap bench_stop EXIT
bash "$root/tests/server/start.sh" "$build/tests/trust_ca.exe"

key=$ORKVANE_DRIVES/e
if [ -f "$root/scripts/make-demo-key.py" ]; then
    python3 "$root/scripts/make-demo-key.py" "$key/Demo/OrkvaneOffline" "$build/sample-tools" >/dev/null
else
    python3 "$root/bench/make_bench_key.py" "$key/Demo/OrkvaneOffline" 12
fi
python3 "$root/bench/make_bench_key.py" "$key/Large/OrkvaneOffline" 1000
python3 "$root/bench/make_bench_key.py" "$key/Empty/OrkvaneOffline" 0
# The command line's --list: the 48,000 entries, short enough to fit 4 MiB.
list_entries=$(python3 "$root/bench/make_list_catalog.py" "$key/List/OrkvaneOffline")
for d in Demo Large Empty; do cp "$build/Orkvane.exe" "$key/$d/OrkvaneOffline/Orkvane.exe"; done

cd "$build/bench"
results=$(mktemp)
{
    wine catalog_bench.exe
    wine number_bench.exe
    wine hash_bench.exe
    wine paint_bench.exe
    wine layout_bench.exe
    wine startup_bench.exe 'E:\Demo\OrkvaneOffline\Orkvane.exe' "$(winepath -w "$build/bench/minimal_window.exe")"
    wine memory_bench.exe 'E:\Large\OrkvaneOffline\Orkvane.exe' 'E:\Empty\OrkvaneOffline\Orkvane.exe' \
        "$(winepath -w "$build/bench/minimal_window.exe")"
    wine install_bench.exe 'E:\Install\OrkvaneOffline'
    wine list_bench.exe "$(winepath -w "$build/Orkvane.exe")" 'E:\List\OrkvaneOffline' "$list_entries"
    wine resume_bench.exe "https://localhost:$ORKVANE_TEST_HTTPS_PORT" "$(winepath -w "$ORKVANE_TEST_SERVER_DIR/root")"
} 2>/dev/null | tee "$results"
met=$(grep -c ': met)' "$results" || true)
missed=$(grep -c 'MISSED' "$results" || true)
rm -f "$results"
if [ "${ORKVANE_MEMORY_PROFILE:-0}" = 1 ]; then
    # Working set after each start-up step, empty catalogue.
    cp "$build/bench/memory_profile.exe" "$key/Empty/OrkvaneOffline/"
    wine 'E:\Empty\OrkvaneOffline\memory_profile.exe' 2>/dev/null
fi
echo "bench: $met of $((met + missed)) targets met"

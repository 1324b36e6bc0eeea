#!/usr/bin/env bash
# The hidden Linux program's resident memory around the location dialog, whose web view is
# WebKitGTK in a child process (the helper tintel_webview, started only while the dialog is open,
# with the engine's web and network processes below it):
#   before  a hidden run with a location set (the dialog never opened), after SETTLE seconds;
#   while   a first run (longitude 0) with the dialog open and its map showing a local page;
#   after   the same run once the dialog was cancelled and SETTLE seconds passed.
# Each line gives the program's own resident memory (and how much of it is anonymous: the rest is
# pages of mapped files, the libraries, which the system can drop at will) and that of its whole
# process tree (the program with every process below it), in MB; the helper and the engine's
# processes are listed while they run.
#
#   bench/location_memory.sh [PROGRAM] [SETTLE]     defaults: build/linux/app/tintel, 10
#
# Runs on a private X server (the test harness's). The map page is a local file, so nothing goes
# to any network.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/linux/app/tintel}
settle=${2:-10}
page="file://$root/tests/data/location/chooser.html"
[ -x "$program" ] || { echo "location_memory: $program is not built" >&2; exit 1; }

work=$(mktemp -d /tmp/tintel-locmem-XXXXXX)
pid=""
cleanup() {
    [ -n "$pid" ] && { kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; }
    "$root/tests/harness/harness" stop "$work/harness" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
"$root/tests/harness/harness" start "$work/harness" >/dev/null
# shellcheck disable=SC1091
. "$work/harness/env"

rss_kb() { awk '$1 == "VmRSS:" { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }
# The process and all its descendants, one pid a line.
tree() {
    local p=$1 c
    echo "$p"
    for c in $(cat /proc/"$p"/task/*/children 2>/dev/null); do tree "$c"; done
}
report() {
    local label=$1 own anon total=0 p
    own=$(rss_kb "$pid")
    for p in $(tree "$pid"); do total=$((total + $(rss_kb "$p"))); done
    anon=$(awk '$1 == "Anonymous:" { print $2 }' "/proc/$pid/smaps_rollup")
    printf '%-7s program %6.1f MB (anonymous %5.1f MB, the rest mapped files)   process tree %6.1f MB\n' \
        "$label" "$(echo "$own / 1024" | bc -l)" "$(echo "$anon / 1024" | bc -l)" \
        "$(echo "$total / 1024" | bc -l)"
    for p in $(tree "$pid"); do
        [ "$p" = "$pid" ] && continue
        printf '          %-28s %6.1f MB\n' "$(basename "$(tr '\0' '\n' </proc/"$p"/cmdline | head -1)")" \
            "$(echo "$(rss_kb "$p") / 1024" | bc -l)"
    done
}
start() {  # start LONGITUDE: a hidden run with its own preferences
    rm -rf "$work/config" "$work/runtime"
    mkdir -p "$work/config/Brisbel" "$work/runtime"
    printf '[Software\\Brisbel\\tintel\\Preferences]\n"Latitude"=dword:%08x\n"Longitude"=dword:%08x\n"MapPage"="%s"\n' \
        4500 "$1" "$page" >"$work/config/Brisbel/preferences.reg"
    XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" "$program" noshow \
        >"$work/program.log" 2>&1 &
    pid=$!
}
dialog() { xdotool search --onlyvisible --name '^Where am I\?$' 2>/dev/null | head -1; }

start 1500
sleep "$settle"
report before
kill "$pid"; wait "$pid" 2>/dev/null || true

start 0
for _ in $(seq 100); do [ -n "$(dialog)" ] && break; sleep 0.2; done
[ -n "$(dialog)" ] || { echo "location_memory: the dialog did not open" >&2; exit 1; }
xdotool windowactivate --sync "$(dialog)" >/dev/null 2>&1 || true
xdotool type --delay 50 90210
sleep "$settle"
report while
xdotool key --window "$(dialog)" Escape
for _ in $(seq 50); do [ -z "$(dialog)" ] && break; sleep 0.2; done
sleep "$settle"
report after
[ -n "${SMAPS:-}" ] && python3 "$SMAPS" "$pid"

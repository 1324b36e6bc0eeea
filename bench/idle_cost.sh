#!/usr/bin/env bash
# The idle cost of the hidden Linux program next to Redshift's: each runs alone for a while on a
# private X server (the test harness's), at the same place, and the script prints the CPU time it
# used, its average share of one core (over the whole run and over the settled last half, after
# the start-up glides), its peak and current resident memory, and what the resident memory is made
# of (the largest mappings of /proc/PID/smaps).
#
#   bench/idle_cost.sh [PROGRAM] [SECONDS]     defaults: build/linux/app/tintel, 60
#
# Needs the Debian package redshift (not installed by scripts/install-deps: this is a benchmark,
# not a test). Our goal for the hidden program: below 0.1 % of one core on average.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/linux/app/tintel}
seconds=${2:-60}
latitude=45 longitude=15 zone=Europe/Berlin

command -v redshift >/dev/null || { echo "idle_cost: redshift is not installed (apt-get install redshift)" >&2; exit 1; }
[ -x "$program" ] || { echo "idle_cost: $program is not built" >&2; exit 1; }

work=$(mktemp -d /tmp/tintel-idle-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
    "$root/tests/harness/harness" stop "$work/harness" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

"$root/tests/harness/harness" start "$work/harness"
# shellcheck disable=SC1091
. "$work/harness/env"
ticks=$(getconf CLK_TCK)

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
status_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }

# Resident memory by what is mapped: the largest files and the anonymous kinds.
rss_breakdown() {
    python3 - "$1" <<'PY'
import collections, os, sys
rss = collections.Counter()
name = None
for line in open(f"/proc/{sys.argv[1]}/smaps"):
    parts = line.split()
    if "-" in parts[0] and len(parts[0]) > 8 and not parts[0].endswith(":"):
        path = parts[5] if len(parts) > 5 else "[anonymous]"
        name = os.path.basename(path) if path.startswith("/") else path
    elif parts[0] == "Rss:":
        rss[name] += int(parts[1])
total = sum(rss.values())
print(f"    resident {total} kB; largest:")
for n, kb in rss.most_common(12):
    print(f"      {kb:7d} kB  {n}")
libs = sum(kb for n, kb in rss.items() if ".so" in n)
anon = sum(kb for n, kb in rss.items() if n.startswith("["))
print(f"    shared libraries {libs} kB, heap/stack/anonymous {anon} kB, "
      f"other files {total - libs - anon} kB")
PY
}

# Runs one program for the given time and reports it. $1: label; the rest: the command.
measure() {
    local label=$1
    shift
    "$@" >"$work/$label.out" 2>&1 &
    local pid=$!
    pids+=("$pid")
    local half=$((seconds / 2))
    sleep "$half"
    kill -0 "$pid" 2>/dev/null || { echo "$label ended early:"; cat "$work/$label.out"; exit 1; }
    local mid
    mid=$(cpu_ticks "$pid")
    sleep $((seconds - half))
    local end hwm rss
    end=$(cpu_ticks "$pid")
    hwm=$(status_kb "$pid" VmHWM)
    rss=$(status_kb "$pid" VmRSS)
    echo "$label:"
    awk -v t="$end" -v m="$mid" -v hz="$ticks" -v s="$seconds" -v h="$((seconds - half))" 'BEGIN {
        printf "    CPU %.2f s in %d s: %.3f %% of one core; settled last %d s: %.3f %%\n",
               t / hz, s, 100 * t / hz / s, h, 100 * (t - m) / hz / h }'
    echo "    peak RSS ${hwm} kB, RSS now ${rss} kB"
    rss_breakdown "$pid"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# Tintel hidden, with its own preferences (the place) and runtime folder.
mkdir -p "$work/config/Brisbel" "$work/runtime"
chmod 700 "$work/runtime"
printf '[Software\\Brisbel\\tintel\\Preferences]\n"Latitude"=dword:%08x\n"Longitude"=dword:%08x\n' \
    $((latitude * 100)) $((longitude * 100)) >"$work/config/Brisbel/preferences.reg"
measure tintel env XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" TZ=$zone \
    NO_AT_BRIDGE=1 "$program" noshow

# Redshift at the same place through RandR, continuously, without any user configuration.
mkdir -p "$work/home"
measure redshift env HOME="$work/home" XDG_CONFIG_HOME="$work/home" TZ=$zone \
    redshift -l "$latitude:$longitude" -m randr -v

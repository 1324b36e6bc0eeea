#!/usr/bin/env bash
# The idle cost of the hidden Linux program next to Redshift's: each runs alone for a while on a
# private X server (the test harness's), at the same place, and the script prints for each the CPU
# time it used, its average share of one core (over the whole run and once settled, after the
# start-up glides), its wake-ups per second once settled (the times its threads were put on a CPU,
# from /proc/PID/task/*/schedstat, with the voluntary and involuntary context switches beside
# them), its peak and current resident memory and what that memory is made of (the largest
# mappings of /proc/PID/smaps); then both programs' figures side by side.
#
#   bench/idle_cost.sh [PROGRAM] [SECONDS] [SETTLE]
#       defaults: build/linux/app/tintel, 60, SECONDS / 2 (the settled figures count from SETTLE)
#
# Needs the Debian package redshift (scripts/install-deps installs it). Our goal for the hidden
# program: settled below 0.02 % of one core, with at most two wake-ups a second.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/linux/app/tintel}
seconds=${2:-60}
settle=${3:-$((seconds / 2))}
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

# utime + stime of a process (ended threads included), in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# The run time of a process's live threads in nanoseconds (schedstat): fine enough for the few
# milliseconds a settled program uses, where clock ticks (10 ms) are not.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%.0f", n }'; }
status_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
# The times the process's threads were put on a CPU (a wake-up or a preempted thread resumed).
runs() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $3 } END { print n + 0 }'; }
# Voluntary plus involuntary context switches of all the process's threads.
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '$1 ~ /^(non)?voluntary_ctxt_switches:$/ { n += $2 } END { print n + 0 }'
}

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

# Runs one program for the given time and reports it; keeps its figures for the table.
# $1: label; the rest: the command.
declare -A settled_cpu whole_cpu wakeups ctxsw peak_rss
measure() {
    local label=$1
    shift
    "$@" >"$work/$label.out" 2>&1 &
    local pid=$!
    pids+=("$pid")
    sleep "$settle"
    kill -0 "$pid" 2>/dev/null || { echo "$label ended early:"; cat "$work/$label.out"; exit 1; }
    local mid mid_runs mid_switches
    mid=$(cpu_ns "$pid") mid_runs=$(runs "$pid") mid_switches=$(switches "$pid")
    sleep $((seconds - settle))
    local end end_ns end_runs end_switches hwm rss threads
    end_ns=$(cpu_ns "$pid") end=$(cpu_ticks "$pid") end_runs=$(runs "$pid")
    end_switches=$(switches "$pid")
    hwm=$(status_kb "$pid" VmHWM)
    rss=$(status_kb "$pid" VmRSS)
    threads=$(status_kb "$pid" Threads)
    local span=$((seconds - settle))
    whole_cpu[$label]=$(awk -v t="$end" -v hz="$ticks" -v s="$seconds" \
        'BEGIN { printf "%.3f", 100 * t / hz / s }')
    settled_cpu[$label]=$(awk -v t="$end_ns" -v m="$mid" -v h="$span" \
        'BEGIN { printf "%.4f", 100 * (t - m) / 1e9 / h }')
    wakeups[$label]=$(awk -v a="$mid_runs" -v b="$end_runs" -v h="$span" \
        'BEGIN { printf "%.2f", (b - a) / h }')
    ctxsw[$label]=$(awk -v a="$mid_switches" -v b="$end_switches" -v h="$span" \
        'BEGIN { printf "%.2f", (b - a) / h }')
    peak_rss[$label]=$hwm
    echo "$label:"
    awk -v t="$end" -v hz="$ticks" -v s="$seconds" -v h="$span" -v w="${whole_cpu[$label]}" \
        -v c="${settled_cpu[$label]}" 'BEGIN {
        printf "    CPU %.2f s in %d s: %s %% of one core; settled last %d s: %s %%\n",
               t / hz, s, w, h, c }'
    echo "    settled wake-ups ${wakeups[$label]}/s (context switches ${ctxsw[$label]}/s)," \
        "$threads threads"
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

echo
echo "side by side ($seconds s each, settled from $settle s):"
printf '    %-28s %12s %12s\n' "" tintel redshift
printf '    %-28s %12s %12s\n' "settled CPU, % of one core" "${settled_cpu[tintel]}" \
    "${settled_cpu[redshift]}"
printf '    %-28s %12s %12s\n' "whole-run CPU, % of one core" "${whole_cpu[tintel]}" \
    "${whole_cpu[redshift]}"
printf '    %-28s %12s %12s\n' "settled wake-ups per second" "${wakeups[tintel]}" \
    "${wakeups[redshift]}"
printf '    %-28s %12s %12s\n' "context switches per second" "${ctxsw[tintel]}" \
    "${ctxsw[redshift]}"
printf '    %-28s %12s %12s\n' "peak resident memory, kB" "${peak_rss[tintel]}" \
    "${peak_rss[redshift]}"

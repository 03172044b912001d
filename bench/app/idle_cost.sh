#!/usr/bin/env bash
# The running clock's idle cost beside a minimal digital X clock.
#
#   bench/app/idle_cost.sh BINARY [SECONDS]
#
# Starts a private virtual X display (Xvfb, 1280x1024x24, no TCP) and a private
# session bus, then runs BINARY (the zum executable) and `xclock -digital
# -update 1` one after the other on it. For each it prints:
#   - the time from start until its window is mapped and viewable;
#   - the CPU time (user + system, from /proc/PID/stat) it spends while idle
#     over SECONDS seconds (default 60) after its window shows;
#   - its peak resident memory (VmHWM from /proc/PID/status) at the end;
# and the ratio of the two programs' figures. Nothing is asserted: these are
# figures to read and compare across changes, not a test.
#
# Needs: Xvfb, xwininfo (x11-utils), xclock (x11-apps), dbus-daemon.
# Also reachable as the build target `bench_idle_cost`.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 BINARY [SECONDS]" >&2
    exit 2
fi
binary=$(realpath "$1")
seconds=${2:-60}
[[ -x $binary ]] || { echo "not an executable: $binary" >&2; exit 2; }
[[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 ]] || { echo "SECONDS must be a positive whole number" >&2; exit 2; }
for tool in Xvfb xwininfo xclock dbus-daemon setsid; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

work=$(mktemp -d)
groups=()  # process groups started here; each is stopped on exit
cleanup() {
    for g in "${groups[@]}"; do kill -TERM -- "-$g" 2>/dev/null || true; done
    sleep 0.2
    for g in "${groups[@]}"; do kill -KILL -- "-$g" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s.%N; }

# Starts a command in a process group of its own; prints its pid.
spawn() {
    setsid "$@" >>"$work/log" 2>&1 < /dev/null &
    local pid=$!
    groups+=("$pid")
    echo "$pid"
}

# The display: Xvfb writes its number to fd 3 once it accepts clients.
setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >>"$work/log" 2>&1 &
groups+=("$!")
for _ in $(seq 200); do
    grep -q . "$work/display" 2>/dev/null && break
    sleep 0.05
done
grep -q . "$work/display" || { echo "Xvfb did not start:" >&2; cat "$work/log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY XAUTHORITY
mkdir -p "$work/state" "$work/config" "$work/xdg" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/xdg" XDG_RUNTIME_DIR="$work/runtime"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
setsid dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" >>"$work/log" 2>&1 &
groups+=("$!")
for _ in $(seq 200); do [[ -S $work/bus ]] && break; sleep 0.05; done

ticks=$(getconf CLK_TCK)

# utime + stime of a process, in clock ticks (fields 14 and 15; the command
# name in field 2 may hold blanks, so count from after its closing paren).
cpu_ticks() {
    local rest
    rest=$(sed 's/^.*) //' "/proc/$1/stat")
    awk '{ print $12 + $13 }' <<<"$rest"
}

hwm_kib() {
    awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"
}

# measure NAME WINDOW-NAME COMMAND...: sets map_ms, cpu_s, hwm of that run.
measure() {
    local name=$1 window=$2
    shift 2
    local t0 pid mapped=""
    t0=$(now)
    pid=$(spawn "$@")
    local deadline=$(( $(date +%s) + 60 ))
    while (( $(date +%s) < deadline )); do
        if xwininfo -name "$window" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            mapped=$(now)
            break
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.01
    done
    if [[ -z $mapped ]]; then
        echo "$name showed no window named \"$window\"; output:" >&2
        cat "$work/log" >&2
        exit 1
    fi
    map_ms=$(awk -v a="$t0" -v b="$mapped" 'BEGIN { printf "%.0f", (b - a) * 1000 }')
    local c0 c1
    c0=$(cpu_ticks "$pid")
    sleep "$seconds"
    c1=$(cpu_ticks "$pid")
    hwm=$(hwm_kib "$pid")
    cpu_s=$(awk -v a="$c0" -v b="$c1" -v t="$ticks" 'BEGIN { printf "%.3f", (b - a) / t }')
    kill -TERM -- "-$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

echo "idle cost over $seconds s on $DISPLAY (this takes about $((2 * seconds)) s)" >&2

ZUM_SYSTEM_DIR="$work/state" ZUM_AUDIO_SINK="fakesink sync=true" QT_QPA_PLATFORM=xcb LC_ALL=C \
    measure zum ZUM "$binary"
zum_map=$map_ms zum_cpu=$cpu_s zum_hwm=$hwm

measure xclock xclock xclock -digital -update 1
x_map=$map_ms x_cpu=$cpu_s x_hwm=$hwm

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }'; }
share() { awk -v c="$1" -v s="$seconds" 'BEGIN { printf "%.3f", 100 * c / s }'; }

printf '%-32s %12s %12s %10s\n' "" "zum" "xclock" "zum/xclock"
printf '%-32s %12s %12s %10s\n' "start to mapped window (ms)" "$zum_map" "$x_map" "$(ratio "$zum_map" "$x_map")"
printf '%-32s %12s %12s %10s\n' "CPU user+sys over ${seconds} s (s)" "$zum_cpu" "$x_cpu" "$(ratio "$zum_cpu" "$x_cpu")"
printf '%-32s %12s %12s %10s\n' "CPU share while idle (%)" "$(share "$zum_cpu")" "$(share "$x_cpu")" \
    "$(ratio "$zum_cpu" "$x_cpu")"
printf '%-32s %12s %12s %10s\n' "peak resident, VmHWM (KiB)" "$zum_hwm" "$x_hwm" "$(ratio "$zum_hwm" "$x_hwm")"

#!/usr/bin/env bash
# The running clock's idle cost beside four peers, all in the same run on
# the same display.
#
#   bench/app/idle_cost.sh BINARY [SECONDS] [ROUNDS]
#
# Builds three Qt peers from the sources beside this script (with the same
# compiler and Qt the program uses):
#   - qt-timer-only: a Qt Widgets program that only runs a precise 100 ms
#     timer, the framework's floor for a 10 Hz tick;
#   - qt-clock: the plainest Qt clock, a label set by a 100 ms timer when the
#     second changes;
#   - qt-repaint-only: the timer, and once a second the smallest repaint the
#     framework makes (a 30 x 50 picture into an opaque window), the floor
#     for any Qt clock that shows its seconds through the framework;
# then starts a private virtual X display (Xvfb, 1280x1024x24, no TCP) and a
# private session bus, and starts BINARY (the zum executable), the three
# peers and `xclock -digital -update 1` on it, one after the other. Every
# program gets the same environment and, once its window shows, the same
# timer slack as the clock gives its own user-interface thread (50 ms,
# written to /proc/PID/timerslack_ns), so that none is measured with
# wake-ups the kernel may batch differently. Once all five
# show their windows, it measures them side by side over SECONDS seconds
# (default 60), then stops them; it does so ROUNDS times (default 5), each
# round with all five started afresh and in another order. Each program's
# 100 ms wake-ups fall at a phase set by the moment it started, and that
# phase decides how often its wake-ups share a CPU's exit from idle with the
# others': one round alone can put two copies of the same program 1.5x
# apart, so the figures that count are over all rounds. For each program it
# prints, per round and in total:
#   - the time from start until its window is mapped and viewable;
#   - its CPU time over the measured span, from the scheduler's nanosecond
#     account of every thread (/proc/PID/task/*/schedstat), and for
#     comparison from /proc/PID/stat (10 ms ticks, exited threads included);
#   - its peak resident memory (VmHWM from /proc/PID/status) at the end;
# and ZUM's ratios to the peers: of the CPU summed over the rounds, and the
# median of the rounds' own ratios. Nothing is asserted: these are figures
# to read and compare across changes, not a test. Other load on the machine
# shows in all five alike; the load average is printed with the figures.
#
# Needs: Xvfb, xwininfo (x11-utils), xclock (x11-apps), dbus-daemon, a C++
# compiler and pkg-config with Qt6Widgets and xcb.
# Also reachable as the build target `bench_idle_cost`.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 3 ]]; then
    echo "usage: $0 BINARY [SECONDS] [ROUNDS]" >&2
    exit 2
fi
binary=$(realpath "$1")
seconds=${2:-60}
rounds=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
[[ -x $binary ]] || { echo "not an executable: $binary" >&2; exit 2; }
[[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 ]] || { echo "SECONDS must be a positive whole number" >&2; exit 2; }
[[ $rounds =~ ^[0-9]+$ && $rounds -gt 0 ]] || { echo "ROUNDS must be a positive whole number" >&2; exit 2; }
for tool in Xvfb xwininfo xclock dbus-daemon setsid pkg-config "${CXX:-c++}"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

. "$here/private_display.sh"

# The peers, built as the program is: optimised, position-independent.
read -r -a qt_flags <<<"$(pkg-config --cflags --libs Qt6Widgets xcb)"
for peer in qt_timer_only qt_bare_clock qt_repaint_only; do
    "${CXX:-c++}" -std=c++20 -O2 -fPIC "$here/$peer.cpp" -o "$work/$peer" "${qt_flags[@]}" ||
        { echo "could not build $peer" >&2; exit 1; }
done

now() { date +%s.%N; }

# Starts a command in a process group of its own; prints its pid.
spawn() {
    setsid "$@" >>"$work/log" 2>&1 < /dev/null &
    local pid=$!
    groups+=("$pid")
    echo "$pid"
}

start_private_display
mkdir -p "$work/state"
# One environment for every program: the clock's settings are harmless to
# the peers, and none of them gets a switch the others lack.
export ZUM_SYSTEM_DIR="$work/state" ZUM_AUDIO_SINK="fakesink sync=true" QT_QPA_PLATFORM=xcb LC_ALL=C

ticks=$(getconf CLK_TCK)
slack_ns=50000000

# utime + stime of a process, in clock ticks (fields 14 and 15; the command
# name in field 2 may hold blanks, so count from after its closing paren).
cpu_ticks() {
    local rest
    rest=$(sed 's/^.*) //' "/proc/$1/stat")
    awk '{ print $12 + $13 }' <<<"$rest"
}

# Nanoseconds on a CPU, summed over the process's threads.
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f", s }'
}

hwm_kib() {
    awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"
}

# launch NAME WINDOW-NAME COMMAND...: starts it and waits for its window;
# sets pid[NAME] and map_ms[NAME].
declare -A pid map_ms c0 t0 c1 t1 hwm
launch() {
    local name=$1 window=$2
    shift 2
    local start mapped=""
    start=$(now)
    pid[$name]=$(spawn "$@")
    local deadline=$(( $(date +%s) + 60 ))
    while (( $(date +%s) < deadline )); do
        if xwininfo -name "$window" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            mapped=$(now)
            break
        fi
        kill -0 "${pid[$name]}" 2>/dev/null || break
        sleep 0.01
    done
    if [[ -z $mapped ]]; then
        echo "$name showed no window named \"$window\"; output:" >&2
        cat "$work/log" >&2
        exit 1
    fi
    # The clock's own slack, given to every program alike (see above).
    echo "$slack_ns" >"/proc/${pid[$name]}/timerslack_ns" 2>/dev/null ||
        echo "warning: could not set the timer slack of $name" >&2
    map_ms[$name]=$(awk -v a="$start" -v b="$mapped" 'BEGIN { printf "%.0f", (b - a) * 1000 }')
}

start_program() {
    case $1 in
    zum)
        rm -rf "$work/state" && mkdir -p "$work/state"
        launch zum ZUM "$binary" ;;
    qt-timer-only) launch qt-timer-only qt-timer-only "$work/qt_timer_only" ;;
    qt-clock) launch qt-clock qt-clock "$work/qt_bare_clock" ;;
    qt-repaint-only) launch qt-repaint-only qt-repaint-only "$work/qt_repaint_only" ;;
    xclock) launch xclock xclock xclock -digital -update 1 ;;
    esac
}

# Stops the programs of a round and waits until they are gone.
stop_programs() {
    local n
    for n in "${names[@]}"; do kill -TERM -- "-${pid[$n]}" 2>/dev/null || true; done
    for n in "${names[@]}"; do
        for _ in $(seq 100); do kill -0 "${pid[$n]}" 2>/dev/null || break; sleep 0.05; done
        kill -KILL -- "-${pid[$n]}" 2>/dev/null || true
    done
}

cpu_ms() { awk -v a="${c0[$1]}" -v b="${c1[$1]}" 'BEGIN { printf "%.1f", (b - a) / 1e6 }'; }
tick_s() { awk -v a="${t0[$1]}" -v b="${t1[$1]}" -v t="$ticks" 'BEGIN { printf "%.2f", (b - a) / t }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

row() {  # row LABEL FUNCTION
    local label=$1 f=$2 line
    line=$(printf '%-34s' "$label")
    for n in "${names[@]}"; do line+=$(printf ' %14s' "$($f "$n")"); done
    echo "$line"
}
header() { printf '%-34s' "$1"; for n in "${names[@]}"; do printf ' %14s' "$n"; done; echo; }
map_of() { echo "${map_ms[$1]}"; }
hwm_of() { echo "${hwm[$1]}"; }

names=(zum qt-timer-only qt-clock qt-repaint-only xclock)
declare -A total_ms peak
declare -a r_timer r_clock r_repaint r_zum_repaint r_xclock r_hwm
for n in "${names[@]}"; do total_ms[$n]=0; peak[$n]=0; done
echo "idle cost on $DISPLAY: $rounds rounds of $seconds s, all five at once in each" >&2
for ((r = 0; r < rounds; r++)); do
    # A new starting order each round: the first program started is the
    # round's number, counted round the list.
    order=("${names[@]:r % ${#names[@]}}" "${names[@]:0:r % ${#names[@]}}")
    for n in "${order[@]}"; do start_program "$n"; done
    # Start-up work (fonts, first paints) is over before the span begins.
    sleep 2
    load_before=$(cut -d' ' -f1-3 /proc/loadavg)
    for n in "${names[@]}"; do c0[$n]=$(cpu_ns "${pid[$n]}"); t0[$n]=$(cpu_ticks "${pid[$n]}"); done
    sleep "$seconds"
    for n in "${names[@]}"; do
        c1[$n]=$(cpu_ns "${pid[$n]}"); t1[$n]=$(cpu_ticks "${pid[$n]}"); hwm[$n]=$(hwm_kib "${pid[$n]}")
    done
    load_after=$(cut -d' ' -f1-3 /proc/loadavg)
    stop_programs

    echo "round $((r + 1)) of $rounds (started: ${order[*]}); load average before: $load_before, after: $load_after; $(nproc) CPUs"
    header ""
    row "start to mapped window (ms)" map_of
    row "CPU over ${seconds} s, schedstat (ms)" cpu_ms
    row "CPU over ${seconds} s, ticks (s)" tick_s
    row "peak resident, VmHWM (KiB)" hwm_of
    r_timer+=("$(ratio "$(cpu_ms zum)" "$(cpu_ms qt-timer-only)")")
    r_clock+=("$(ratio "$(cpu_ms zum)" "$(cpu_ms qt-clock)")")
    r_repaint+=("$(ratio "$(cpu_ms qt-repaint-only)" "$(cpu_ms qt-timer-only)")")
    r_zum_repaint+=("$(ratio "$(cpu_ms zum)" "$(cpu_ms qt-repaint-only)")")
    r_xclock+=("$(ratio "$(cpu_ms zum)" "$(cpu_ms xclock)")")
    r_hwm+=("$(ratio "${hwm[zum]}" "${hwm[qt-clock]}")")
    echo "zum CPU / qt-repaint-only CPU this round: ${r_zum_repaint[-1]}; / qt-timer-only: ${r_timer[-1]}; zum peak / qt-clock peak: ${r_hwm[-1]}"
    echo
    for n in "${names[@]}"; do
        total_ms[$n]=$(awk -v a="${total_ms[$n]}" -v b="$(cpu_ms "$n")" 'BEGIN { printf "%.1f", a + b }')
        (( hwm[$n] > peak[$n] )) && peak[$n]=${hwm[$n]}
    done
done

total_of() { echo "${total_ms[$1]}"; }
peak_of() { echo "${peak[$1]}"; }
echo "all $rounds rounds ($((rounds * seconds)) s each program)"
header ""
row "CPU, schedstat (ms)" total_of
row "highest peak resident (KiB)" peak_of
echo
echo "                                 of the sums   median of the rounds"
echo "zum CPU / qt-repaint-only CPU:   $(printf '%-13s' "$(ratio "${total_ms[zum]}" "${total_ms[qt-repaint-only]}")") $(echo "${r_zum_repaint[*]}" | median)   (target <= 1.25)"
echo "zum CPU / qt-timer-only CPU:     $(printf '%-13s' "$(ratio "${total_ms[zum]}" "${total_ms[qt-timer-only]}")") $(echo "${r_timer[*]}" | median)"
echo "zum CPU / qt-clock CPU:          $(printf '%-13s' "$(ratio "${total_ms[zum]}" "${total_ms[qt-clock]}")") $(echo "${r_clock[*]}" | median)"
echo "qt-repaint-only / qt-timer-only: $(printf '%-13s' "$(ratio "${total_ms[qt-repaint-only]}" "${total_ms[qt-timer-only]}")") $(echo "${r_repaint[*]}" | median)   (the framework's floor for one repaint a second)"
echo "zum CPU / xclock CPU:            $(printf '%-13s' "$(ratio "${total_ms[zum]}" "${total_ms[xclock]}")") $(echo "${r_xclock[*]}" | median)"
echo "zum peak / qt-clock peak:        $(printf '%-13s' "$(ratio "${peak[zum]}" "${peak[qt-clock]}")") $(echo "${r_hwm[*]}" | median)   (target <= 1.10)"
echo "zum peak / xclock peak:          $(ratio "${peak[zum]}" "${peak[xclock]}")"

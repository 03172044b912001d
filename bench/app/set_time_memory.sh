#!/usr/bin/env bash
# Resident memory of the running program while the Set Time dialog is
# opened and closed through its window, as a person would.
#
#   bench/app/set_time_memory.sh BINARY [OPENINGS] [WARMUP]
#
# Starts a private virtual X display (Xvfb, no TCP), a private session bus
# and BINARY (the zum executable) with a state directory of its own. Then,
# WARMUP times (default 50) and OPENINGS times (default 400) after that, it
# clicks "MENU", picks "&Set Time" by its key, waits until the dialog's
# window is mapped, clicks "Cancel" and waits until the window is gone. It
# prints the resident memory (VmRSS of /proc/PID/status) after the warm-up
# and after every 100 openings, with the growth per opening over each span
# and over the whole run. A dialog that leaves nothing behind grows by well
# under 1 KB an opening. Nothing is asserted: these are figures to read and
# compare across changes, not a test.
#
# Needs: Xvfb, xdotool, xwininfo (x11-utils), dbus-daemon.
# Also reachable as the build target `bench_set_time_memory`.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 3 ]]; then
    echo "usage: $0 BINARY [OPENINGS] [WARMUP]" >&2
    exit 2
fi
binary=$(realpath "$1")
openings=${2:-400}
warmup=${3:-50}
[[ -x $binary ]] || { echo "not an executable: $binary" >&2; exit 2; }
[[ $openings =~ ^[0-9]+$ && $openings -gt 0 ]] || { echo "OPENINGS must be a positive whole number" >&2; exit 2; }
[[ $warmup =~ ^[0-9]+$ ]] || { echo "WARMUP must be a whole number" >&2; exit 2; }
for tool in Xvfb xdotool xwininfo dbus-daemon setsid; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

. "$(dirname "$0")/private_display.sh"

# Waits until COMMAND... succeeds, polling, for at most SECONDS.
wait_for() {
    local seconds=$1; shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.01
    done
}

start_private_display

mkdir -m 1777 "$work/state"
ZUM_SYSTEM_DIR="$work/state" ZUM_AUDIO_SINK="fakesink sync=true" LC_ALL=C \
    setsid "$binary" >>"$work/log" 2>&1 &
pid=$!
groups+=("$pid")

main_window() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1; }
has_window() { [[ -n $(main_window) ]]; }
wait_for 20 has_window || { echo "the program showed no window:" >&2; cat "$work/log" >&2; exit 1; }
window=$(main_window)

dialog_shown() { xdotool search --onlyvisible --name '^Set Time$' >/dev/null 2>&1; }
menu_shown() { [[ $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l) -ge 2 ]]; }
gone() { ! "$@"; }

# One opening and closing: "MENU" (344,168 45x23), the item's key, then
# "Cancel" (96,50 57x22 in the dialog's client area, which lies 4 pixels
# in from its frame and below its 16-pixel caption bar).
open_and_close() {
    xdotool mousemove --window "$window" 366 179 click 1
    wait_for 10 menu_shown || { echo "the menu did not open" >&2; return 1; }
    xdotool key s
    wait_for 10 dialog_shown || { echo "the Set Time dialog did not open" >&2; return 1; }
    local dialog
    dialog=$(xdotool search --onlyvisible --name '^Set Time$' | head -1)
    # Mapped is not yet drawn: the click waits until the dialog has its size.
    wait_for 10 bash -c "xwininfo -id $dialog 2>/dev/null | grep -q 'Map State: IsViewable'"
    xdotool mousemove --window "$dialog" $((4 + 124)) $((4 + 16 + 61)) click 1
    wait_for 10 gone dialog_shown || { echo "the Set Time dialog did not close" >&2; return 1; }
}

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status"; }

for ((i = 0; i < warmup; i++)); do open_and_close; done
sleep 1
start=$(rss_kb)
printf 'after %d warm-up openings: %d KB resident\n' "$warmup" "$start"
previous=$start
done_count=0
while ((done_count < openings)); do
    span=$((openings - done_count < 100 ? openings - done_count : 100))
    for ((i = 0; i < span; i++)); do open_and_close; done
    done_count=$((done_count + span))
    sleep 1
    now=$(rss_kb)
    awk -v n="$done_count" -v kb="$now" -v d="$((now - previous))" -v s="$span" \
        'BEGIN { printf "after %4d openings: %d KB resident, %+.2f KB per opening over the last %d\n", n, kb, d / s, s }'
    previous=$now
done
awk -v d="$((previous - start))" -v n="$openings" \
    'BEGIN { printf "growth over %d openings: %+d KB, %+.2f KB per opening\n", n, d, d / n }'

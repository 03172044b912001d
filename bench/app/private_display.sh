# Sourced by the benchmark scripts: a scratch directory and a private
# virtual X display (Xvfb, 1280x1024x24, no TCP) with a session bus and XDG
# directories of its own. Every process group added to `groups` is stopped,
# and the scratch directory removed, when the script exits.
work=$(mktemp -d)
groups=()
cleanup() {
    for g in "${groups[@]}"; do kill -TERM -- "-$g" 2>/dev/null || true; done
    sleep 0.2
    for g in "${groups[@]}"; do kill -KILL -- "-$g" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Starts the display and the bus and exports what puts a program on them.
start_private_display() {
    # Xvfb writes its number to fd 3 once it accepts clients.
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >>"$work/log" 2>&1 &
    groups+=("$!")
    for _ in $(seq 200); do
        grep -q . "$work/display" 2>/dev/null && break
        sleep 0.05
    done
    grep -q . "$work/display" || { echo "Xvfb did not start:" >&2; cat "$work/log" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$work/display")"
    unset WAYLAND_DISPLAY XAUTHORITY
    mkdir -p "$work/config" "$work/xdg" "$work/runtime"
    chmod 700 "$work/runtime"
    export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/xdg" XDG_RUNTIME_DIR="$work/runtime"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
    setsid dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" >>"$work/log" 2>&1 &
    groups+=("$!")
    for _ in $(seq 200); do [[ -S $work/bus ]] && break; sleep 0.05; done
    [[ -S $work/bus ]] || { echo "the session bus did not start" >&2; exit 1; }
}

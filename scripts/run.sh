#!/usr/bin/env bash
# Builds ZUM and starts the clock. Without a display it runs under a virtual
# X server for a few seconds and saves a screenshot of the window.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/packages.sh"

zum_install $ZUM_BUILD_PACKAGES $ZUM_RUN_PACKAGES
build="${ZUM_BUILD_DIR:-$root/build}"
# Only the program is built. The build directory may be the one the test
# command uses, so no option is given here that would change what it builds;
# a new directory gets the defaults. Both commands build for the /usr prefix,
# so the compiled-in state directory is /var/lib/zum.
if [ -f "$build/CMakeCache.txt" ]; then
    cmake "$build" >/dev/null
else
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
fi
cmake --build "$build" --target zum
zum_state_dir

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/app/zum"
fi

zum_install $ZUM_HEADLESS_PACKAGES
seconds="${ZUM_RUN_SECONDS:-5}"
shot="${ZUM_SCREENSHOT:-$root/build/zum-screenshot.png}"
echo "No display: running the clock under Xvfb for $seconds seconds."
tmp="$(mktemp -d)"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$tmp/display" 2>/dev/null &
xvfb=$!
trap 'kill "${zum:-}" 2>/dev/null; kill "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$tmp/display")"
export ZUM_AUDIO_SINK="${ZUM_AUDIO_SINK:-fakesink sync=true}"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$tmp}"
"$build/app/zum" &
zum=$!
xdotool search --sync --name '^ZUM$' >/dev/null
sleep "$seconds"
import -window root -crop 399x201+312+283 "$shot"
echo "Screenshot of the running clock: $shot"

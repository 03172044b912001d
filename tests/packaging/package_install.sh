#!/usr/bin/env bash
# On a throw-away machine (CI, as root): `apt-get install ./zum_*.deb` puts
# ZUM into the application menu and creates its state directory; the
# program started from the menu entry comes up under Xvfb and restores an
# alarm from that directory; removing the package leaves none of its files.
# Elsewhere the test is skipped (exit 77), since it changes the machine.
. "$(dirname "$0")/common.sh"

if [ "${CI:-}" != true ] || [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installs a package into the machine; runs only as root with CI=true"
    exit 77
fi
debs=("$ZUM_BUILD_DIR"/package/zum_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one zum_*.deb in $ZUM_BUILD_DIR/package"
deb="${debs[0]}"
installed() { dpkg-query -W -f='${Status}\n' zum 2>/dev/null | grep -q ' installed$'; }
known() { dpkg-query -W -f='${Status}\n' zum 2>/dev/null | grep -qv ' not-installed$'; }
! installed || fail "a zum package is already installed here"
state_dir=/var/lib/zum
state_existed=no
[ -e "$state_dir" ] && state_existed=yes

tmp="$(mktemp -d)"
xvfb="" zum="" seeded=no
# Whatever step fails, the machine is left as it was found.
restore_alarm() {
    [ "$seeded" = yes ] || return 0
    rm -f "$state_dir/KPT.dat"
    if [ -e "$state_dir/KPT.dat.zum-test" ]; then mv "$state_dir/KPT.dat.zum-test" "$state_dir/KPT.dat"; fi
    seeded=no
}
cleanup() {
    if [ -n "$zum" ]; then kill "$zum" 2>/dev/null || true; fi
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
    restore_alarm
    if known; then
        local how=remove
        [ "$state_existed" = yes ] || how=purge
        DEBIAN_FRONTEND=noninteractive apt-get "$how" -y -q zum >/dev/null 2>&1 || true
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" \
    || fail "apt-get cannot install $deb"
installed || fail "dpkg does not list zum as installed"
same_lists "files dpkg lists for zum" "$(expected_files | sed 's|^|/usr/|' | sort)" \
    "$(dpkg -L zum | while read -r f; do [ -d "$f" ] || echo "$f"; done | sort)"
check_files /usr "$state_dir"
[ -d "$state_dir" ] || fail "the package did not create $state_dir"
[ "$(stat -c '%a %U' "$state_dir")" = "1777 root" ] || fail "$state_dir is $(stat -c '%a %U' "$state_dir"), not 1777 root"

# The menu entry's command, started the way a menu starts it: through PATH.
command="$(desktop_value "/usr/share/applications/$ZUM_APP_ID.desktop" Exec)"
[ "$(command -v "$command")" = /usr/bin/zum ] || fail "the menu entry's command '$command' is not the installed program"

# An alarm the program must find in the state directory it was built with.
if [ -e "$state_dir/KPT.dat" ]; then mv "$state_dir/KPT.dat" "$state_dir/KPT.dat.zum-test"; fi
seeded=yes
printf '07:30:00\r\n\r\n' >"$state_dir/KPT.dat"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
wait_for "Xvfb to report its display" 20 test -s "$tmp/display"
export DISPLAY=":$(cat "$tmp/display")"
mkdir -m 700 "$tmp/runtime" "$tmp/home"
HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" XDG_CONFIG_DIRS="$tmp/xdg" ZUM_AUDIO_SINK="fakesink sync=true" \
    LC_ALL=C "$command" >"$tmp/zum.log" 2>&1 &
zum=$!
wait_for "the window of the installed program" 30 xdotool search --onlyvisible --name '^ZUM$'
window="$(xdotool search --onlyvisible --name '^ZUM$' | head -n 1)"
x="$(xwininfo -id "$window" | sed -n 's/^ *Absolute upper-left X: *//p')"
y="$(xwininfo -id "$window" | sed -n 's/^ *Absolute upper-left Y: *//p')"
# The armed indicator, an 8 x 8 red square at 376,32 in the window.
armed() {
    [ "$(import -window root -crop "8x8+$((x + 376))+$((y + 32))" -depth 8 txt:- | grep -c '#FF0000')" -eq 64 ]
}
# The time in the clock's cyan letters.
clock_shown() {
    [ "$(import -window root -crop "309x92+$((x + 90))+$((y + 56))" -depth 8 txt:- | grep -c '#00FFFF')" -gt 200 ]
}
wait_for "the armed indicator of the alarm in $state_dir" 20 armed
wait_for "the time in the clock" 20 clock_shown
# An armed alarm gets the sound service ready: the installed program finds
# the GStreamer plug-ins the package depends on.
plugins_loaded() { grep -q "/gstreamer-1.0/libgstcoreelements.so\$" "/proc/$zum/maps"; }
wait_for "the installed program to load GStreamer's core elements" 20 plugins_loaded
shot="$ZUM_BUILD_DIR/package/installed-zum.png"
import -window root -crop "399x201+$x+$y" "$shot"
echo "screenshot of the installed program: $shot"

# "x" closes the clock.
xdotool mousemove --window "$window" 384 16 click 1
ended() {
    local stat
    stat="$(ps -o stat= -p "$zum" || true)"
    [ -z "$stat" ] || [ "${stat:0:1}" = Z ]
}
wait_for "the installed program to end after a click on x" 20 ended
wait "$zum" || fail "the installed program ended with code $?:
$(cat "$tmp/zum.log")"
zum=""
restore_alarm

DEBIAN_FRONTEND=noninteractive apt-get remove -y -q zum || fail "apt-get cannot remove zum"
while read -r f; do
    [ ! -e "/usr/$f" ] || fail "/usr/$f is left after removing the package"
done < <(expected_files)
! installed || fail "dpkg still lists zum as installed"
# A purge also takes the state directory, so only one the package made.
if [ "$state_existed" = no ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q zum || fail "apt-get cannot purge zum"
    [ ! -e "$state_dir" ] || fail "$state_dir is left after purging the package"
    ! known || fail "dpkg still knows zum after the purge"
fi
echo "installed, started from its menu entry, removed: nothing of the package left"

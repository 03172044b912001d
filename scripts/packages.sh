# Debian 12 packages ZUM needs, by purpose. Sourced by the other scripts.
ZUM_BUILD_PACKAGES="build-essential cmake ninja-build pkg-config qt6-base-dev libgstreamer1.0-dev"
ZUM_RUN_PACKAGES="gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-alsa gstreamer1.0-pulseaudio timgm6mb-soundfont fonts-comic-neue fonts-liberation fonts-dejavu-core libqt6gui6 qt6-qpa-plugins"
ZUM_HEADLESS_PACKAGES="xvfb xdotool x11-utils x11-apps imagemagick"
ZUM_TEST_PACKAGES="libgtest-dev libgmock-dev libbenchmark-dev trayer openbox xfce4-panel dbus sox libsox-fmt-mp3 gstreamer1.0-tools pulseaudio pulseaudio-utils locales clang libclang-rt-14-dev python3 procps desktop-file-utils appstream dpkg-dev python3-dbus python3-gi wmctrl weston qt6-wayland"

# zum_install PACKAGE...: installs what is missing, with sudo when not root.
zum_install() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# zum_locales: the locales the tests run the clock under.
zum_locales() {
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    if ! locale -a 2>/dev/null | grep -qi '^en_US.utf8$' || ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
        $sudo sed -i -E 's/^# *(en_US.UTF-8 UTF-8|de_DE.UTF-8 UTF-8)/\1/' /etc/locale.gen
        $sudo locale-gen >/dev/null
    fi
}

# zum_state_dir: the machine-wide directory where every user keeps the alarm,
# world-writable and sticky like a shared spool.
zum_state_dir() {
    local dir="${ZUM_SYSTEM_DIR:-/var/lib/zum}"
    [ -d "$dir" ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || [ -w "$(dirname "$dir")" ] || sudo="sudo"
    $sudo mkdir -p "$dir"
    $sudo chmod 1777 "$dir"
}

# Helpers of the packaging tests, sourced by each of them. The test's
# environment names the application id (ZUM_APP_ID), the build's state
# directory (ZUM_DEFAULT_SYSTEM_DIR) and the build tree (ZUM_BUILD_DIR).
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Every file an install puts under its prefix, relative to the prefix.
expected_files() {
    echo "bin/zum"
    echo "lib/tmpfiles.d/zum.conf"
    echo "share/applications/$ZUM_APP_ID.desktop"
    echo "share/metainfo/$ZUM_APP_ID.metainfo.xml"
    for size in 16 22 24 32 48 64 128 256; do
        echo "share/icons/hicolor/${size}x${size}/apps/zum.png"
    done
    echo "share/icons/hicolor/scalable/apps/zum.svg"
}

# same_lists WHAT WANT HAVE: fails showing the difference unless the two
# sorted lists are equal.
same_lists() {
    [ "$2" = "$3" ] || fail "$1 differ from the expected ones:
$(diff <(echo "$2") <(echo "$3") || true)"
}

# check_tree ROOT STATE_DIR: ROOT holds exactly the installed files, as
# check_files wants them.
check_tree() {
    same_lists "installed files under $1" "$(expected_files | sort)" \
        "$(cd "$1" && find . -type f -o -type l | sed 's|^\./||' | sort)"
    check_files "$@"
}

# check_files ROOT STATE_DIR: each installed file under ROOT is as a menu,
# an icon theme and a software centre expect it, and the tmpfiles.d entry
# creates STATE_DIR world-writable and sticky.
check_files() {
    local root="$1" state_dir="$2"
    [ -x "$root/bin/zum" ] || fail "$root/bin/zum is not executable"
    local f
    while read -r f; do
        [ "$f" = bin/zum ] && continue
        [ "$(stat -c %a "$root/$f")" = 644 ] || fail "$f has mode $(stat -c %a "$root/$f"), not 644"
    done < <(expected_files)

    for size in 16 22 24 32 48 64 128 256; do
        f="$root/share/icons/hicolor/${size}x${size}/apps/zum.png"
        [ "$(identify -format '%wx%h' "$f")" = "${size}x${size}" ] || fail "$f is not ${size}x${size}"
    done
    python3 -c 'import sys, xml.dom.minidom as m; d = m.parse(sys.argv[1]); sys.exit(d.documentElement.tagName != "svg")' \
        "$root/share/icons/hicolor/scalable/apps/zum.svg" || fail "the scalable icon is not an SVG document"

    local desktop="$root/share/applications/$ZUM_APP_ID.desktop"
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
    for key in Name Comment Icon Categories Exec; do
        grep -q "^$key=." "$desktop" || fail "$desktop has no $key"
    done
    [ "$(desktop_value "$desktop" Icon)" = zum ] || fail "the desktop entry names an icon that is not installed"
    [ "$(desktop_value "$desktop" Exec)" = zum ] || fail "the desktop entry does not start the installed program"

    local metainfo="$root/share/metainfo/$ZUM_APP_ID.metainfo.xml"
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
    grep -q "<launchable type=\"desktop-id\">$ZUM_APP_ID.desktop</launchable>" "$metainfo" \
        || fail "the metainfo does not launch the installed desktop entry"
    grep -q '<screenshot type="default">' "$metainfo" || fail "the metainfo shows no screenshot"

    local entry
    entry="$(grep -v '^#' "$root/lib/tmpfiles.d/zum.conf")"
    [ "$entry" = "d $state_dir 1777 root root -" ] || fail "the tmpfiles.d entry is '$entry'"
}

# desktop_value FILE KEY: the value of KEY in the [Desktop Entry] group.
desktop_value() {
    sed -n "/^\[Desktop Entry\]/,/^\[/s/^$2=//p" "$1" | head -n 1
}

# wait_for WHAT SECONDS COMMAND...: runs COMMAND until it succeeds, at most
# SECONDS long; fails naming WHAT otherwise.
wait_for() {
    local what="$1" seconds="$2"
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${seconds}s waiting for $what"
        sleep 0.1
    done
}

#!/usr/bin/env bash
# The .deb holds exactly the installed files under /usr, names the runtime
# packages ZUM needs, and creates the state directory when installed.
. "$(dirname "$0")/common.sh"

debs=("$ZUM_BUILD_DIR"/package/zum_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one zum_*.deb in $ZUM_BUILD_DIR/package, found: ${debs[*]}"
deb="${debs[0]}"
[ "$(basename "$deb")" = "zum_${ZUM_VERSION}_$(dpkg --print-architecture).deb" ] || fail "the package is named $(basename "$deb")"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

dpkg-deb --info "$deb" >"$tmp/info" || fail "dpkg-deb cannot read $deb"
cat "$tmp/info"
[ "$(dpkg-deb -f "$deb" Package)" = zum ] || fail "the package is not called zum"
[ "$(dpkg-deb -f "$deb" Version)" = "$ZUM_VERSION" ] || fail "the package version is not $ZUM_VERSION"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "the package has no description"

# Depends, one relation a line, alternatives kept together.
dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ *$//; s/ *(.*)//' >"$tmp/depends"
for needed in gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad \
              timgm6mb-soundfont fonts-comic-neue fonts-liberation libqt6core6 libqt6gui6 libqt6widgets6 libgstreamer1.0-0; do
    grep -qx "$needed" "$tmp/depends" || fail "the package does not depend on $needed"
done
grep -q '^gstreamer1.0-pulseaudio | gstreamer1.0-alsa' "$tmp/depends" || fail "the package depends on no sound output"
# Every relation names a package this distribution has.
known="$(apt-cache show --no-all-versions $(tr '|' ' ' <"$tmp/depends") 2>/dev/null | sed -n 's/^Package: //p' | sort -u)"
while read -r relation; do
    found=no
    for alternative in ${relation//|/ }; do
        grep -qx "$alternative" <<<"$known" && found=yes
    done
    [ "$found" = yes ] || fail "no package of '$relation' exists here"
done <"$tmp/depends"

# The maintainer scripts: creating the state directory after install,
# removing it on purge.
dpkg-deb -e "$deb" "$tmp/control"
for script in postinst postrm; do
    [ -x "$tmp/control/$script" ] || fail "the package has no executable $script"
    sh -n "$tmp/control/$script" || fail "$script is not valid shell"
done
grep -q 'systemd-tmpfiles --create "/usr/lib/tmpfiles.d/zum.conf"' "$tmp/control/postinst" \
    || fail "postinst does not apply the tmpfiles.d entry"
grep -q 'install -d -m 1777 "/var/lib/zum"' "$tmp/control/postinst" \
    || fail "postinst does not create /var/lib/zum without systemd-tmpfiles"

# The files: nothing outside /usr (the state directory is made on the
# installing machine, not shipped), each file as an install makes it.
strangers="$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')"
[ -z "$strangers" ] || fail "entries of the package not owned by root:
$strangers"
dpkg-deb -x "$deb" "$tmp/root"
same_lists "top-level entries of the package" "usr" "$(ls "$tmp/root")"
check_tree "$tmp/root/usr" /var/lib/zum
# The software centre's view of the whole tree: metainfo, desktop entry and
# icon found together.
appstreamcli validate-tree --no-net "$tmp/root" || fail "appstreamcli rejects the package's tree"
echo "$(basename "$deb"): files, dependencies and maintainer scripts as expected"

#!/usr/bin/env bash
# `cmake --install` into a prefix of a normal user's own succeeds and puts
# every file in its place. Run as root, the install runs as "nobody".
. "$(dirname "$0")/common.sh"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"
as_user=()
manifest="$ZUM_BUILD_DIR/install_manifest.txt"
if [ "$(id -u)" -eq 0 ]; then
    if ! runuser -u nobody -- test -r "$ZUM_BUILD_DIR/cmake_install.cmake" -a -r "$ZUM_SOURCE_DIR/resources/icon/zum.ico"; then
        echo "skipped: the user nobody cannot read $ZUM_SOURCE_DIR and $ZUM_BUILD_DIR; run the test as a normal user"
        exit 77
    fi
    # The install writes its manifest into the build tree, which root owns
    # here; a normal user installing from a tree of their own owns it too.
    touch "$manifest"
    owner="$(stat -c %u:%g "$manifest")"
    trap 'chown "$owner" "$manifest"; rm -rf "$tmp"' EXIT
    chown nobody "$tmp" "$manifest"
    as_user=(runuser -u nobody --)
fi

"${as_user[@]}" cmake --install "$ZUM_BUILD_DIR" --prefix "$prefix" >"$tmp/log" 2>&1 \
    || fail "the install into $prefix failed:
$(cat "$tmp/log")"
grep -q "State directory" "$tmp/log" || fail "the install does not say where the state directory is"
check_tree "$prefix" "$ZUM_DEFAULT_SYSTEM_DIR"
echo "installed as $(id -un) ${as_user[*]:+(run as nobody)} into $prefix: every file in place"

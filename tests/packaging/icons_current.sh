#!/usr/bin/env bash
# The committed icon files are what the generator draws now: none was
# edited by hand or left behind by a change of the drawing.
. "$(dirname "$0")/common.sh"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp" "$1" "$tmp" || fail "the icon generator failed"
committed="$ZUM_SOURCE_DIR/resources/icon"
same_lists "generated icon files" \
    "$(cd "$committed" && find zum.ico hicolor -type f | sort)" "$(cd "$tmp" && find . -type f | sed 's|^\./||' | sort)"
while read -r f; do
    cmp -s "$committed/$f" "$tmp/$f" || fail "resources/icon/$f differs from what zum_make_icon draws; run it and commit the result"
done < <(cd "$tmp" && find . -type f | sed 's|^\./||')
[ "$(stat -c %s "$committed/zum.ico")" -eq 766 ] || fail "zum.ico is not 766 bytes long"
echo "every icon file is current"

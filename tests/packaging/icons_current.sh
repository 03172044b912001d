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
# Qt's raster engine takes a different vector path on different processors,
# and its anti-aliased edges may then differ by a shade in a few pixels: a
# picture counts as current when no pixel is off by more than 2%. The icon
# file, 16 colours without anti-aliasing, must match to the byte.
same_picture() {
    cmp -s "$1" "$2" && return 0
    [[ $1 == *.png ]] && command -v compare >/dev/null || return 1
    [ "$(compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1)" = 0 ]
}
while read -r f; do
    same_picture "$committed/$f" "$tmp/$f" || fail "resources/icon/$f differs from what zum_make_icon draws; run it and commit the result"
done < <(cd "$tmp" && find . -type f | sed 's|^\./||')
[ "$(stat -c %s "$committed/zum.ico")" -eq 766 ] || fail "zum.ico is not 766 bytes long"
echo "every icon file is current"

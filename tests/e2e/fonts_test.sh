#!/usr/bin/env bash
# The Japanese example renders with real glyphs, no hex boxes: its export
# equals, pixel for pixel, the export made with the fonts setup installs
# (DejaVu Sans and VL Gothic) and nothing else, and differs from one made
# with a font that has no Japanese, which is what hex boxes look like.
set -euo pipefail
LATTRIX=${1:?usage: fonts_test.sh path/to/lattrix}
EXPORT=$(dirname "$(readlink -f "$LATTRIX")")/lattrix-export
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "fonts_test: FAILED: $*" >&2
    exit 1
}

font_file() { fc-match -f '%{file}' "$1"; }
dejavu=$(font_file 'DejaVu Sans')
gothic=$(font_file 'VL Gothic')
case "$gothic" in *VL-Gothic* | *japanese-gothic*) ;; *) fail "no VL Gothic installed (run make setup)" ;; esac

# A font configuration with only the given fonts, keeping the system's
# rules for rendering them.
only_fonts() {
    local name=$1
    shift
    mkdir -p "$work/$name"
    for f in "$@"; do ln -s "$(readlink -f "$f")" "$work/$name/"; done
    cat >"$work/$name.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>$work/$name</dir><cachedir>$work/cache-$name</cachedir>
<include ignore_missing="yes">/etc/fonts/conf.d</include></fontconfig>
CONF
}
only_fonts known "$dejavu" "$gothic"
only_fonts latin "$dejavu"

doc=$SOURCE_DIR/examples/library_ja.xml
"$EXPORT" "$doc" "$work/plain.png" || fail "export failed"
FONTCONFIG_FILE=$work/known.conf "$EXPORT" "$doc" "$work/known.png" || fail "export failed"
FONTCONFIG_FILE=$work/latin.conf "$EXPORT" "$doc" "$work/boxes.png" || fail "export failed"

pixels_differ() {
    [ "$(identify -format '%wx%h' "$1")" != "$(identify -format '%wx%h' "$2")" ] && return 0
    [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" != 0 ]
}
pixels_differ "$work/known.png" "$work/boxes.png" || fail "hex boxes look like Japanese glyphs: the check is blind"
if pixels_differ "$work/plain.png" "$work/known.png"; then
    fail "the Japanese example renders unlike the known fonts (hex boxes or another font)"
fi
echo "fonts_test: ok"

#!/usr/bin/env bash
# The SVG export draws what the PNG export draws: rendered by another
# program (rsvg-convert) it matches the PNG, exactly where there is no text
# and up to text anti-aliasing where there is. Needs no display.
set -euo pipefail
LATTRIX=${1:?usage: export_svg_test.sh path/to/lattrix}
EXPORT="$(dirname "$LATTRIX")/lattrix-export"
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "export_svg_test: $*" >&2
    exit 1
}
command -v rsvg-convert >/dev/null || fail "rsvg-convert missing (make setup installs librsvg2-bin)"

# How many pixels of $1 and $2 differ by more than $3 per cent.
differing() {
    compare -metric AE -fuzz "$3%" "$1" "$2" null: 2>&1 || true
}

check() {
    local doc=$1 name=$2 fuzz=$3 max_permille=$4
    "$EXPORT" "$doc" "$work/$name.png"
    "$EXPORT" "$doc" "$work/$name.svg"
    rsvg-convert "$work/$name.svg" -o "$work/$name.rsvg.png"
    local size rsize
    size=$(identify -format '%w %h' "$work/$name.png")
    rsize=$(identify -format '%w %h' "$work/$name.rsvg.png")
    [ "$size" = "$rsize" ] || fail "$name: SVG renders at $rsize, the PNG is $size"
    read -r w h <<<"$size"
    local diff
    diff=$(differing "$work/$name.png" "$work/$name.rsvg.png" "$fuzz")
    [ $((diff * 1000)) -le $((w * h * max_permille)) ] ||
        fail "$name: $diff of $((w * h)) pixels differ (at most $max_permille per mille allowed)"
    echo "$name: $diff of $((w * h)) pixels differ by more than $fuzz%"
}

# Boxes, dividers, routes and all four decorations, without text: the same
# pixels (a line half a pixel off would show as two half-grey ones).
python3 - "$SRC/examples/shop.xml" "$work/notext.xml" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-8").read()
text = re.sub(r"<(name|block1|block2)>.*?</\1>", r"<\1>-</\1>", text, flags=re.S)
text = re.sub(r' (name|label)="[^"]*"', "", text)
open(sys.argv[2], "w", encoding="utf-8").write(text)
PY
check "$work/notext.xml" notext 20 1
# With text, glyphs may land a fraction of a pixel apart.
check "$SRC/examples/shop.xml" shop 50 30
check "$SRC/examples/shapes.xml" shapes 50 30
echo "export_svg_test: ok"

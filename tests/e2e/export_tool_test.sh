#!/usr/bin/env bash
# lattrix-export: whole-diagram and ranged exports in all three formats, and
# the distinct exit codes of each kind of failure. Needs no display.
set -euo pipefail
LATTRIX=${1:?usage: export_tool_test.sh path/to/lattrix}
EXPORT="$(dirname "$LATTRIX")/lattrix-export"
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

fail() {
    echo "export_tool_test: $*" >&2
    exit 1
}
expect_exit() {
    local want=$1
    shift
    set +e
    "$@" 2>"$work/err"
    local got=$?
    set -e
    [ "$got" -eq "$want" ] || fail "'$*' exited $got, expected $want ($(cat "$work/err"))"
    [ "$want" -eq 0 ] || [ -s "$work/err" ] || fail "'$*' failed without a message"
}

doc="$SRC/examples/shop.xml"
expect_exit 0 "$EXPORT" "$doc" "$work/all.png"
read -r w h < <(identify -format '%w %h\n' "$work/all.png")
# The whole diagram spans several cells, far more than one default cell.
[ "$w" -gt 100 ] && [ "$h" -gt 100 ] || fail "whole export only ${w}x${h}"
corner=$(convert "$work/all.png" -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]' -crop 1x1+0+0 info:)
[ "$corner" = "255,255,255" ] || fail "background is not white ($corner)"
dark=$(convert "$work/all.png" -colorspace gray -threshold 50% -negate -format '%[fx:int(mean*w*h)]' info:)
[ "$dark" -gt 50 ] || fail "no ink in the export ($dark dark pixels)"

expect_exit 0 "$EXPORT" --range 0,0:0,0 "$doc" "$work/one.png"
read -r w1 h1 < <(identify -format '%w %h\n' "$work/one.png")
[ "$w1" -lt "$w" ] && [ "$h1" -lt "$h" ] || fail "ranged export ${w1}x${h1} not smaller than ${w}x${h}"

expect_exit 0 "$EXPORT" "$doc" "$work/all.svg"
grep -q '<svg' "$work/all.svg" || fail "SVG output is not SVG"
expect_exit 0 "$EXPORT" "$doc" "$work/all.pdf"
head -c 5 "$work/all.pdf" | grep -q '%PDF-' || fail "PDF output is not PDF"

# Bad arguments: 1; unreadable or invalid input: 2; unwritable output: 3.
expect_exit 1 "$EXPORT" "$doc"
expect_exit 1 "$EXPORT" "$doc" "$work/x.gif"
expect_exit 1 "$EXPORT" --range 0,0:99999,1 "$doc" "$work/x.png"
expect_exit 1 "$EXPORT" --range nonsense "$doc" "$work/x.png"
expect_exit 2 "$EXPORT" "$work/missing.xml" "$work/x.png"
echo "not xml" >"$work/bad.xml"
expect_exit 2 "$EXPORT" "$work/bad.xml" "$work/x.png"
expect_exit 3 "$EXPORT" "$doc" "$work/no/such/dir/x.png"
expect_exit 3 "$EXPORT" "$doc" "$work/no/such/dir/x.svg"
# Input that is no regular file is refused without being opened: reading a
# FIFO would wait for a writer for ever.
mkfifo "$work/fifo"
expect_exit 2 timeout 20 "$EXPORT" "$work/fifo" "$work/x.png"
grep -q 'is not a regular file' "$work/err" || fail "a FIFO gave: $(cat "$work/err")"
expect_exit 2 "$EXPORT" "$work" "$work/x.png"
# A document whose classes lie too far apart to draw whole is at fault
# itself: 2, where a --range too large is the caller's: 1 (above).
printf '<workspace><element_cells><cell h="0" v="0"><class uid="0x1"><name>a</name></class></cell><cell h="4000" v="0"><class uid="0x2"><name>b</name></class></cell></element_cells></workspace>' >"$work/far.xml"
expect_exit 2 "$EXPORT" "$work/far.xml" "$work/x.png"

# --format beats the name, - is standard output, --scale sizes the PNG.
expect_exit 0 "$EXPORT" --format svg "$doc" "$work/noext"
grep -q '<svg' "$work/noext" || fail "--format svg did not write SVG"
"$EXPORT" --format pdf "$doc" - | head -c 5 | grep -q '%PDF-' || fail "- did not write the PDF to standard output"
expect_exit 0 "$EXPORT" --scale 2 "$doc" "$work/all2.png"
[ "$(identify -format '%w %h' "$work/all2.png")" = "$((2 * w)) $((2 * h))" ] || fail "--scale 2 did not double the size"
expect_exit 1 "$EXPORT" --scale 9 "$doc" "$work/x.png"
[ -z "$(find "$work" -name '*.png.*' -o -name '*.svg.*')" ] || fail "temporary files left behind"
echo "export_tool_test: ok (${w}x${h} whole, ${w1}x${h1} one cell)"

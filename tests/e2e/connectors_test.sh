#!/usr/bin/env bash
# Connect and select-connector modes: one connector of each kind, two
# abandoned ones, and one highlighted and removed by walking to it; the
# documents and the exported images show each step.
source "$(dirname "$0")/lib.sh"

lx_start
# Classes at (0,0), (2,0), (4,0), (0,2) and (2,2).
lx_key c l l c l l c j j h h c h h c
lx_cmd "xp n.png"
lx_wait_file "$WORK/n.png"

# The connect mode carries the cursor along: each connector starts where the
# last one ended. From (0,2): association up to (0,0), dependency on to
# (2,0), aggregation to (4,0), composition to (2,2), generalization up to
# (2,0).
lx_key R k k Return
lx_key D l l Return
lx_key A l l Return
lx_key C h h j j Return
lx_key G k k Return
# Escape leaves nothing; Return on an empty cell keeps the connect mode.
lx_key R l l Escape
lx_key D j Return Escape
lx_save a.xml
lx_expect_doc "$WORK/a.xml" \
    "class 0 0 no name|-|-" "class 2 0 no name|-|-" "class 4 0 no name|-|-" \
    "class 0 2 no name|-|-" "class 2 2 no name|-|-" \
    "connector association 0,2 -> 0,0" "connector dependency 0,0 -> 2,0" \
    "connector aggregation 2,0 -> 4,0" "connector composition 4,0 -> 2,2" \
    "connector generalization 2,2 -> 2,0"
lx_cmd "xp a.png"
lx_wait_file "$WORK/a.png"
# Only column 3 grows: the aggregation's diamond and arrow face each other
# across it and take 2 x 16 px plus 8 px between their tips, of which the
# margins of the two classes' cells give 10 (30 px instead of 20).
read -r nw nh <<<"$(lx_png_size "$WORK/n.png")"
[ "$(lx_png_size "$WORK/a.png")" = "$((nw + 10)) $nh" ] ||
    fail "connectors changed the exported area: $nw $nh -> $(lx_png_size "$WORK/a.png")"
ink_n=$(lx_png_count "$WORK/n.png" ink)
ink_a=$(lx_png_count "$WORK/a.png" ink)
# Five lines of 20 pixels and more, and their ends.
[ "$ink_a" -gt $((ink_n + 150)) ] || fail "the connectors are not in the image: $ink_n -> $ink_a inked pixels"
[ "$(lx_png_count "$WORK/a.png" active)" = 0 ] || fail "a connector is highlighted in the cell mode"

# The cursor was left at (4,1). (0,2) has one connector, which "r"
# highlights; an export never shows the highlight, so it is the same image.
lx_key h h h h j r
lx_cmd "xp h.png"
lx_wait_file "$WORK/h.png"
cmp -s "$WORK/a.png" "$WORK/h.png" || fail "the highlight changed the export"

# "x" removes it and the cell mode returns, so the following "c" is refused
# on the occupied cell.
lx_key x c
lx_save b.xml
lx_expect_doc "$WORK/b.xml" \
    "class 0 0 no name|-|-" "class 2 0 no name|-|-" "class 4 0 no name|-|-" \
    "class 0 2 no name|-|-" "class 2 2 no name|-|-" \
    "connector dependency 0,0 -> 2,0" "connector aggregation 2,0 -> 4,0" \
    "connector composition 4,0 -> 2,2" "connector generalization 2,2 -> 2,0"
lx_cmd "xp b.png"
lx_wait_file "$WORK/b.png"
ink_b=$(lx_png_count "$WORK/b.png" ink)
[ "$ink_b" -lt $((ink_a - 15)) ] || fail "the removed connector is still drawn: $ink_a -> $ink_b inked pixels"
[ "$(lx_png_count "$WORK/b.png" active)" = 0 ] || fail "the highlight outlived the select-connector mode"

# Undo restores it; deleting a class takes its connectors along.
lx_key u l l x
lx_save c.xml
lx_expect_doc "$WORK/c.xml" \
    "class 0 0 no name|-|-" "class 2 0 no name|-|-" "class 4 0 no name|-|-" \
    "class 0 2 no name|-|-" \
    "connector association 0,2 -> 0,0" "connector dependency 0,0 -> 2,0" \
    "connector aggregation 2,0 -> 4,0"
pass

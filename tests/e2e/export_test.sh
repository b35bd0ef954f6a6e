#!/usr/bin/env bash
# PNG export with ":xp": without a selection the image covers columns 0-16
# and rows 0-10, whatever the diagram holds; with one, exactly the selected
# cells.
source "$(dirname "$0")/lib.sh"

# Inked pixels of the part of image $1 given as WxH+X+Y.
ink_in() {
    "$LX_CONVERT" "$1" -crop "$2" +repage "$WORK/crop.png"
    lx_png_count "$WORK/crop.png" ink
}

lx_start
# An empty document: 17 x 11 default cells of 20 pixels, plain white.
lx_cmd "xp e.png"
lx_wait_file "$WORK/e.png"
[ "$(lx_png_size "$WORK/e.png")" = "340 220" ] || fail "empty export is $(lx_png_size "$WORK/e.png"), expected 340 220"
[ "$(lx_png_count "$WORK/e.png" ink)" = 0 ] || fail "empty export is not plain white"

# One class at (0,0) widens column 0 and heightens row 0; it is drawn there
# and nowhere else.
lx_key c
lx_cmd "xp c.png"
lx_wait_file "$WORK/c.png"
read -r w h <<<"$(lx_png_size "$WORK/c.png")"
[ "$w" -gt 340 ] && [ "$h" -gt 220 ] || fail "a class did not grow the export: $w x $h"
col0=$((w - 16 * 20))
row0=$((h - 10 * 20))
ink_c=$(lx_png_count "$WORK/c.png" ink)
[ "$ink_c" -gt 100 ] || fail "the class is not drawn ($ink_c inked pixels)"
[ "$(ink_in "$WORK/c.png" "$((w - col0))x${h}+${col0}+0")" = 0 ] || fail "ink right of column 0"
[ "$(ink_in "$WORK/c.png" "${w}x$((h - row0))+0+${row0}")" = 0 ] || fail "ink below row 0"

# A class beyond column 16 and row 10 leaves the image as it was.
lx_key l l l l l l l l l l l l l l l l l l l l j j j j j j j j j j j j c
lx_cmd "xp f.png"
lx_wait_file "$WORK/f.png"
[ "$(lx_png_size "$WORK/f.png")" = "$w $h" ] || fail "a class outside the area changed the export to $(lx_png_size "$WORK/f.png")"
[ "$(lx_png_count "$WORK/f.png" ink)" = "$ink_c" ] || fail "a class outside the area was drawn"

# Selecting that one cell exports it alone: a cell as large as (0,0).
lx_key v
lx_cmd "xp o.png"
lx_wait_file "$WORK/o.png"
[ "$(lx_png_size "$WORK/o.png")" = "$col0 $row0" ] ||
    fail "one-cell export is $(lx_png_size "$WORK/o.png"), expected $col0 $row0"
[ "$(lx_png_count "$WORK/o.png" ink)" -gt 100 ] || fail "the selected class is missing"

# Selecting (0,0)..(1,0) exports just those two cells, the class in the
# left one.
lx_key Escape
lx_key h h h h h h h h h h h h h h h h h h h h k k k k k k k k k k k k v l
lx_cmd "xp s.png"
lx_wait_file "$WORK/s.png"
[ "$(lx_png_size "$WORK/s.png")" = "$((col0 + 20)) $row0" ] ||
    fail "selection export is $(lx_png_size "$WORK/s.png"), expected $((col0 + 20)) $row0"
[ "$(lx_png_count "$WORK/s.png" ink)" = "$ink_c" ] || fail "the selected class is not drawn as in the whole export"
[ "$(ink_in "$WORK/s.png" "20x${row0}+${col0}+0")" = 0 ] || fail "ink in the empty selected cell"

# A path that cannot be written leaves no file and the program running.
lx_cmd "xp no/such/dir/x.png"
[ ! -e "$WORK/no" ] || fail "the unwritable export created something"
kill -0 "$LX_PID" || fail "the program died on an unwritable path"
lx_cmd "xp e2.png"
lx_wait_file "$WORK/e2.png"
pass

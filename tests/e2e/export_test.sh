#!/usr/bin/env bash
# PNG export with ":xp": without a selection the image covers columns 0-16
# and rows 0-10; with one, exactly the selected cells.
source "$(dirname "$0")/lib.sh"

size() { identify -format '%w %h' "$1"; }
# Number of distinct colours and the darkest grey level (0 black .. 255 white).
colours() { convert "$1" -format '%k' info:; }
darkest() { convert "$1" -colorspace gray -format '%[fx:int(255*minima)]' info:; }

lx_start
# An empty document: 17 x 11 default cells of 20 pixels, plain white.
lx_cmd "xp e.png"
lx_wait_file "$WORK/e.png"
[ "$(size "$WORK/e.png")" = "340 220" ] || fail "empty export is $(size "$WORK/e.png")"
[ "$(colours "$WORK/e.png")" = 1 ] && [ "$(darkest "$WORK/e.png")" = 255 ] ||
    fail "empty export is not plain white"

# One class at (0,0) widens column 0 and heightens row 0; it is drawn black.
lx_key c
lx_cmd "xp c.png"
lx_wait_file "$WORK/c.png"
read -r w h <<<"$(size "$WORK/c.png")"
[ "$w" -gt 340 ] && [ "$h" -gt 220 ] || fail "a class did not grow the export: $w x $h"
[ "$(darkest "$WORK/c.png")" -lt 64 ] || fail "no dark pixels for the class"
col0=$((w - 16 * 20))
row0=$((h - 10 * 20))

# Selecting (0,0)..(1,0) exports just those two cells.
lx_key v l
lx_cmd "xp s.png"
lx_wait_file "$WORK/s.png"
[ "$(size "$WORK/s.png")" = "$((col0 + 20)) $row0" ] ||
    fail "selection export is $(size "$WORK/s.png"), expected $((col0 + 20)) $row0"
[ "$(darkest "$WORK/s.png")" -lt 64 ] || fail "the selected class is missing"

# A path that cannot be written leaves no file and the program running.
lx_cmd "xp no/such/dir/x.png"
kill -0 "$LX_PID" || fail "the program died on an unwritable path"
pass

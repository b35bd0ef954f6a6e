#!/usr/bin/env bash
# ":xp" writes PNG, SVG or PDF by the file name's extension and refuses any
# other; what the editor is doing (the cell cursor, a class being edited with
# its caret) never shows in an export, so exporting again from inside a
# class writes the very same files.
source "$(dirname "$0")/lib.sh"

lx_start
# A class named "Order" at (0,0), one at (0,2) and a composition between them.
lx_key c I Delete Delete Delete Delete Delete Delete Delete
lx_type "Order"
lx_key Escape j j c k k C j j Return
lx_cmd "xp a.png"
lx_cmd "xp a.svg"
lx_cmd "xp a.pdf"
lx_wait_file "$WORK/a.png"
lx_wait_file "$WORK/a.svg"
lx_wait_file "$WORK/a.pdf"
[ "$(lx_png_count "$WORK/a.png" ink)" -gt 100 ] || fail "the PNG shows nothing"
grep -q '<text class="name"[^>]*><tspan[^>]*>Order</tspan></text>' "$WORK/a.svg" ||
    fail "the SVG has no text 'Order'"
[ "$(grep -c '<g class="class"' "$WORK/a.svg")" = 2 ] || fail "the SVG does not hold two classes"
grep -q '<g class="connector composition"' "$WORK/a.svg" || fail "the SVG has no composition"
head -c 5 "$WORK/a.pdf" | grep -q '%PDF-' || fail "a.pdf is not a PDF"

# Another extension is refused and writes nothing.
lx_cmd "xp a.gif"
[ ! -e "$WORK/a.gif" ] || fail ":xp wrote a.gif"
lx_wait_log "xp: the file name must end in .png, .svg or .pdf" 0

# In the class's normal mode the caret is on the name; the exports are
# the same files byte for byte, so no caret is drawn.
lx_key k k i h h
lx_cmd "xp b.png"
lx_cmd "xp b.svg"
lx_wait_file "$WORK/b.png"
lx_wait_file "$WORK/b.svg"
cmp -s "$WORK/a.png" "$WORK/b.png" || fail "exporting from inside the class changed the PNG"
cmp -s "$WORK/a.svg" "$WORK/b.svg" || fail "exporting from inside the class changed the SVG"
# Still editing the class: typing goes into its name.
lx_key i
lx_type "X"
lx_key Escape Escape
lx_save c.xml
grep -q '<name>[^<]*X[^<]*</name>' "$WORK/c.xml" ||
    fail "the class was not being edited after :xp: $(grep '<name>' "$WORK/c.xml")"
pass

#!/usr/bin/env bash
# Moving classes by keys and by mouse, copying and pasting them, also into a
# second running instance through the clipboard, and undoing all of it.
source "$(dirname "$0")/lib.sh"

lx_start

# Two points on the canvas, low in the window, more than a class width apart.
eval "$(xdotool getwindowgeometry --shell "$LX_WID")"
PX=$((WIDTH * 4 / 10)) PY=$((HEIGHT * 7 / 10)) PX2=$((WIDTH * 4 / 10 + 300))
[ "$PX2" -lt "$((WIDTH - 10))" ] || fail "the window is too narrow: ${WIDTH}x$HEIGHT"

# A class for the mouse, named so that a move can be told from a new class:
# a click on an empty cell puts the cursor there.
xdotool mousemove --window "$LX_WID" "$PX" "$PY" click 1
lx_key c I
lx_type "Mouse"
lx_key Escape
lx_save clicked.xml
mouse_line=$(lx_summary "$WORK/clicked.xml")
read -r _ mouse_h mouse_v _ <<<"$mouse_line"

# Press on it, drag it to the right, release: it moves there, keeping its
# name. The press must not count as the second click of a double click with
# the click that placed the cursor, which would open the class for editing.
sleep 1
xdotool mousemove --window "$LX_WID" "$PX" "$PY" mousedown 1 \
    mousemove --window "$LX_WID" $((PX + 40)) "$PY" mousemove --window "$LX_WID" $((PX2 - 20)) "$PY" \
    mousemove --window "$LX_WID" "$PX2" "$PY" mouseup 1
lx_save dragged.xml
mouse_line=$(lx_summary "$WORK/dragged.xml")
read -r _ drag_h drag_v _ <<<"$mouse_line"
[ "$drag_v" = "$mouse_v" ] && [ "$drag_h" -gt "$mouse_h" ] && [ "$drag_h" -gt 3 ] ||
    fail "the class was not dragged right: ($mouse_h, $mouse_v) -> $mouse_line"
# One undo puts it back, redo moves it again.
lx_key u
lx_save drag-undone.xml
cmp -s <(lx_summary "$WORK/clicked.xml") <(lx_summary "$WORK/drag-undone.xml") ||
    fail "undo did not bring the dragged class back"
lx_key ctrl+r

# A at (0,0), B at (2,0) (typed in front of the default name), an
# association from B to A.
lx_key $(for _ in $(seq 40); do printf 'h k '; done)
lx_key c I
lx_type "A"
lx_key Escape l l c I
lx_type "B"
lx_key Escape R h h Return
lx_save start.xml
lx_expect_doc "$WORK/start.xml" "$mouse_line" \
    "class 0 0 Ano name|-|-" "class 2 0 Bno name|-|-" "connector association 2,0 -> 0,0"

# L moves A one cell right, and the connector end follows.
lx_key h h L
lx_save moved.xml
lx_expect_doc "$WORK/moved.xml" "$mouse_line" \
    "class 1 0 Ano name|-|-" "class 2 0 Bno name|-|-" "connector association 2,0 -> 1,0"

# The cursor went along: one more to the right is B, and H swaps B with A.
lx_key l H
lx_save swapped.xml
lx_expect_doc "$WORK/swapped.xml" "$mouse_line" \
    "class 2 0 Ano name|-|-" "class 1 0 Bno name|-|-" "connector association 1,0 -> 2,0"

# A range over both, moved down a row with J.
lx_key v l J
lx_save range.xml
lx_expect_doc "$WORK/range.xml" "$mouse_line" \
    "class 2 1 Ano name|-|-" "class 1 1 Bno name|-|-" "connector association 1,1 -> 2,1"

# y copies the range (the cursor goes to its top-left), p pastes two rows
# down: new classes, and the connector between them comes along.
lx_key y j j p
lx_save pasted.xml
lx_expect_doc "$WORK/pasted.xml" "$mouse_line" \
    "class 2 1 Ano name|-|-" "class 1 1 Bno name|-|-" "connector association 1,1 -> 2,1" \
    "class 2 3 Ano name|-|-" "class 1 3 Bno name|-|-" "connector association 1,3 -> 2,3"
uids=$(grep -o 'uid="[^"]*"' "$WORK/pasted.xml" | sort | uniq -d)
[ -z "$uids" ] || fail "pasted classes share uids: $uids"

# A paste onto occupied cells is refused and changes nothing.
lx_key p
lx_save refused.xml
cmp -s <(lx_summary "$WORK/pasted.xml") <(lx_summary "$WORK/refused.xml") ||
    fail "a paste onto classes changed the document"

# A second instance, started while the first owns the clipboard, pastes the
# copied range at its cursor.
# Without a window manager the first window would keep the keyboard: it is
# unmapped meanwhile, and keeps the clipboard all the same.
first_pid=$LX_PID first_wid=$LX_WID first_log=$LOG
xdotool windowunmap --sync "$first_wid"
LOG="$WORK/second.log"
XDG_STATE_HOME="$WORK/state2" lx_start
lx_key p
lx_save second.xml
lx_expect_doc "$WORK/second.xml" \
    "class 0 0 Bno name|-|-" "class 1 0 Ano name|-|-" "connector association 0,0 -> 1,0"
kill "$LX_PID"
wait "$LX_PID" 2>/dev/null || true
LX_PID=$first_pid LX_WID=$first_wid LOG=$first_log
xdotool windowmap --sync "$LX_WID"
lx_focus "$LX_WID"

# Undo the paste, the range move, the swap and the move: the document is
# the one from before the first move again.
lx_key u u u u
lx_save undone.xml
cmp -s <(lx_summary "$WORK/start.xml") <(lx_summary "$WORK/undone.xml") || {
    lx_summary "$WORK/undone.xml" >&2
    fail "undo did not give back the starting document"
}
# And redo walks forward to the pasted document.
lx_key ctrl+r ctrl+r ctrl+r ctrl+r
lx_save redone.xml
cmp -s <(lx_summary "$WORK/pasted.xml") <(lx_summary "$WORK/redone.xml") ||
    fail "redo did not give back the pasted document"
pass

#!/usr/bin/env bash
# The program as a desktop user meets it: a file named on the command line
# opens, the shortcuts save and quit, Exit asks, the about dialog opens, New
# returns to the cell mode, the caret of an emptied name stays in its box,
# the window keeps its size, and a second start hands its file over.
source "$(dirname "$0")/lib.sh"

cp "$SOURCE_DIR/examples/shop.xml" "$SOURCE_DIR/examples/shapes.xml" "$WORK/"

# A session bus of our own, so that a second start finds the first.
BUS_PID=""
stop_bus() { [ -z "$BUS_PID" ] || kill "$BUS_PID" 2>/dev/null || true; }
trap 'stop_bus; lx_cleanup' EXIT
read -r DBUS_SESSION_BUS_ADDRESS BUS_PID < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -s -d ' ')
export DBUS_SESSION_BUS_ADDRESS

window_name() { xdotool getwindowname "$LX_WID"; }
title_is() { [ "$(window_name)" = "$1" ]; }
# The mode the command bar shows: the last mode change in the log.
mode_is() { [ "$(grep -o 'change .* -> .*' "$LOG" | tail -n 1 | sed 's/.* -> //')" = "$1" ]; }
ask_and_focus() {
    lx_poll "$1" lx_question_shown
    lx_focus "$LX_QUESTION"
}
# Answers the question in hand with a key and waits until it has gone, so
# that the next look does not find it again.
answer() {
    local q=$LX_QUESTION
    lx_key "$1"
    lx_poll "the question stayed after $1" eval '! lx_questions | grep -qx "$q"'
}

# --- lattrix FILE opens it; <C-s> saves.
lx_start shop.xml
lx_poll "title is '$(window_name)'" title_is "Lattrix - shop.xml"
before=$(lx_summary "$WORK/shop.xml" | wc -l)
lx_key j j j j c ctrl+s
lx_poll "<C-s> did not save" eval '[ "$(lx_summary "$WORK/shop.xml" | wc -l)" -gt "$before" ]'
lx_summary "$WORK/shop.xml" | grep -q '^class 0 4 no name' || fail "the saved document lacks the new class"

# --- A second start hands its file over: the save question, then whether
# to replace; "_Keep" keeps the document.
lx_key x
(cd "$WORK" && "$LATTRIX" shapes.xml) >"$WORK/second.log" 2>&1 || fail "the second start failed"
ask_and_focus "no save question for a document from a second start"
answer alt+d
ask_and_focus "no question whether to replace the document"
answer alt+k
title_is "Lattrix - shop.xml" || fail "Keep replaced the document"
(cd "$WORK" && "$LATTRIX" shapes.xml) >"$WORK/second.log" 2>&1 || fail "the second start failed"
ask_and_focus "no save question the second time"
answer alt+d
ask_and_focus "no question whether to replace, the second time"
answer alt+o
lx_poll "the second start's file did not open" title_is "Lattrix - shapes.xml"
lx_focus "$LX_WID"

# --- Help > Version info. opens the about dialog (F10 opens the menus;
# Left wraps round to Help).
lx_key F10 Left Down Down Return
ask_and_focus "no about dialog"
case "$(xdotool getwindowname "$LX_QUESTION")" in *Lattrix*) ;; *) fail "the about dialog is '$(xdotool getwindowname "$LX_QUESTION")'" ;; esac
answer Escape
lx_focus "$LX_WID"

# --- After I and New the bar shows the cell mode, and keys act there.
lx_key j j j j j j c I
lx_type "abc"
lx_key ctrl+n
ask_and_focus "no save question before New"
answer alt+d
lx_poll "the bar does not show the cell mode after New" mode_is "CELL MODE"
lx_focus "$LX_WID"
title_is Lattrix || fail "New kept the title '$(window_name)'"
lx_key c
lx_save new.xml
lx_expect_doc "$WORK/new.xml" "class 0 10 no name|-|-"

# --- Typing into an emptied name keeps the caret inside the box: every
# pixel of text colour near the box lies inside it, and there are some.
caret_inside() {
    local shot=$WORK/caret.png
    import -window "$LX_WID" "$shot"
    "$LX_CONVERT" "$shot" -depth 8 txt:- | lx_py -c '
import re, sys
box, text = [], []
for line in sys.stdin:
    m = re.match(r"(\d+),(\d+): \((\d+),(\d+),(\d+)", line)
    if not m:
        continue
    x, y, r, g, b = map(int, m.groups())
    if (r, g, b) == (0x33, 0x11, 0):  # the active box fill
        box.append((x, y))
    elif (r, g, b) == (0xee, 0xee, 0xee):  # text and caret
        text.append((x, y))
if not box:
    sys.exit("no active class box")
x0, x1 = min(p[0] for p in box) - 1, max(p[0] for p in box) + 1
y0, y1 = min(p[1] for p in box) - 1, max(p[1] for p in box) + 1
near = [p for p in text if x0 - 40 <= p[0] <= x1 + 40 and y0 - 40 <= p[1] <= y1 + 40]
inside = [p for p in near if x0 <= p[0] <= x1 and y0 <= p[1] <= y1]
if not inside or len(inside) != len(near):
    sys.exit("caret outside its box: %d of %d pixels inside %s" % (len(inside), len(near), (x0, y0, x1, y1)))
'
}
lx_key I BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace Delete Delete Delete Delete Delete Delete Delete
lx_idle
caret_inside || fail "the caret of an empty name is outside its box"
lx_type "ab   "
lx_idle
caret_inside || fail "the caret after trailing spaces is outside its box"
lx_key Escape

# --- Exit asks; Cancel keeps the window; "_Don't save" quits. The size the
# window had comes back on the next start.
xdotool windowsize --sync "$LX_WID" 900 700 || true
lx_idle
lx_key ctrl+q
ask_and_focus "Exit did not ask about the changed document"
answer Escape
kill -0 "$LX_PID" 2>/dev/null || fail "Cancel quit the program"
lx_focus "$LX_WID"
lx_key ctrl+q
ask_and_focus "no question on the second Exit"
lx_key alt+d
lx_wait_exit
[ -s "$XDG_CONFIG_HOME/lattrix/window.ini" ] || fail "the window size was not kept"
lx_start
read -r width height < <(xdotool getwindowgeometry "$LX_WID" |
    sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
[ "$width" = 900 ] && [ "$height" = 700 ] || fail "the window came back at ${width}x$height"
pass

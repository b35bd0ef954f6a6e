#!/usr/bin/env bash
# A kill loses at most the last moments: the next start offers the recovery
# copy, and recovering it brings back every edit older than the copy delay,
# as unsaved changes to the document's own file. A running editor's copy is
# never offered to another one.
source "$(dirname "$0")/lib.sh"

STATE="$XDG_STATE_HOME/lattrix"
copies() {
    find "$STATE" -name '*.xml' 2>/dev/null | wc -l
}
# Waits for a copy that holds everything handled so far: a command closes
# only after every key before it, and the copy counted is written after.
wait_for_copy() {
    lx_cmd "parse sync"
    local off
    off=$(lx_log_count 'recovery copy written')
    lx_wait_log 'recovery copy written' "$off"
}
kill_hard() {
    kill -9 "$LX_PID"
    wait "$LX_PID" 2>/dev/null || true
    LX_PID=""
}
# Starts the program and answers its recovery question with $1.
start_and_answer() {
    lx_start
    lx_poll "no recovery question" lx_question_shown
    lx_focus "$LX_QUESTION"
    lx_key "$1"
    lx_poll "the question stayed" lx_no_question
}

# A saved document, then edits on top of it: a name, a class, a connector.
lx_start
lx_key c l l c
lx_save doc.xml
lx_key h h I Delete Delete Delete Delete Delete Delete Delete
lx_type "Order"
lx_key Escape j c R k Return
wait_for_copy
[ "$(copies)" = 1 ] || fail "not one copy while changes are unsaved"
# Edits newer than the copy may or may not be in it.
lx_key l l l c
kill_hard

# Return takes the default answer, "_Recover".
start_and_answer Return
lx_poll "the recovered document is not bound to its file" \
    sh -c "xdotool getwindowname $LX_WID | grep -qx 'Lattrix - doc.xml'"
lx_save recovered.xml
lx_summary "$WORK/recovered.xml" | grep -v '^class 5 1 ' >"$WORK/recovered.txt"
lx_expect_doc "$WORK/doc.xml" "class 0 0 no name|-|-" "class 2 0 no name|-|-"
printf '%s\n' "class 0 0 Order|-|-" "class 2 0 no name|-|-" "class 0 1 no name|-|-" \
    "connector association 0,1 -> 0,0" | sort >"$WORK/expected.txt"
cmp -s "$WORK/recovered.txt" "$WORK/expected.txt" || {
    diff "$WORK/expected.txt" "$WORK/recovered.txt" >&2
    fail "the recovered document lacks edits older than the copy delay"
}
# Saved: no copy left; a clean close leaves none either.
no_copy() {
    [ "$(copies)" = 0 ]
}
lx_poll "the copy stayed after saving" no_copy
lx_request_close "$LX_WID"
lx_wait_exit
[ "$(copies)" = 0 ] || fail "a clean close left a copy"

# A never-saved document is offered at start too; "_Discard" drops it.
lx_start
lx_key c
wait_for_copy
FIRST_PID=$LX_PID
FIRST_WID=$LX_WID
# A second editor running beside it neither offers nor touches its copy.
FIRST_LOG=$LOG
LOG="$WORK/second.log"
lx_start
lx_idle
lx_no_question || fail "a running editor's copy was offered"
kill "$LX_PID"
wait "$LX_PID" 2>/dev/null || true
[ "$(copies)" = 1 ] || fail "the second editor touched the first one's copy"
LOG=$FIRST_LOG
LX_PID=$FIRST_PID
LX_WID=$FIRST_WID
kill_hard
start_and_answer alt+d
[ "$(copies)" = 0 ] || fail "the discarded copy is still there"
pass

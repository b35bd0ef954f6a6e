#!/usr/bin/env bash
# Closing the window: an unchanged document closes at once; a changed one
# asks, Cancel keeps the window, "Don't save" closes without writing.
source "$(dirname "$0")/lib.sh"

wait_dialog() {
    local i d
    for i in $(seq 1 300); do
        d=$(lx_other_windows | head -n 1)
        [ -n "$d" ] && { echo "$d"; return 0; }
        sleep 0.1
    done
    return 1
}

lx_start
lx_request_close "$LX_WID"
lx_wait_exit 30

lx_start
lx_key c
lx_request_close "$LX_WID"
dialog=$(wait_dialog) || fail "no question on closing a changed document"
lx_focus "$dialog"
lx_key Escape
for _ in $(seq 1 100); do [ -z "$(lx_other_windows)" ] && break; sleep 0.1; done
[ -z "$(lx_other_windows)" ] || fail "the question stayed after Cancel"
kill -0 "$LX_PID" 2>/dev/null || fail "Cancel closed the program"
xdotool search --onlyvisible --pid "$LX_PID" --name '^Lattrix' >/dev/null || fail "the window is gone after Cancel"

lx_request_close "$LX_WID"
dialog=$(wait_dialog) || fail "no question on the second close"
lx_focus "$dialog"
lx_key alt+d
lx_wait_exit 30
[ -z "$(find "$WORK" -name '*.xml')" ] || fail "\"Don't save\" wrote a file"
pass

#!/usr/bin/env bash
# Closing the window: an unchanged document closes at once; a changed one
# asks first. Cancel keeps the window, "_Don't save" closes without writing,
# "_Save" writes the document to its file and closes.
source "$(dirname "$0")/lib.sh"

dialog_shown() {
    DIALOG=$(lx_other_windows | head -n 1)
    [ -n "$DIALOG" ]
}
no_dialog() {
    [ -z "$(lx_other_windows)" ]
}
# Asks the window to close and waits for the question.
ask_to_close() {
    lx_request_close "$LX_WID"
    lx_poll "$1" dialog_shown
    lx_focus "$DIALOG"
}

lx_start
lx_request_close "$LX_WID"
lx_wait_exit

lx_start
lx_key c
ask_to_close "no question on closing a changed document"
lx_key Escape
lx_poll "the question stayed after Cancel" no_dialog
kill -0 "$LX_PID" 2>/dev/null || fail "Cancel closed the program"
lx_find_window || fail "the window is gone after Cancel"

ask_to_close "no question on the second close"
lx_key alt+d
lx_wait_exit
[ -z "$(find "$WORK" -name '*.xml')" ] || fail "\"Don't save\" wrote a file"

# A document with a file: "_Save" writes the change there.
lx_start
lx_save k.xml
lx_key c
ask_to_close "no question on closing a changed document with a file"
lx_key alt+s
lx_wait_exit
lx_expect_doc "$WORK/k.xml" "class 0 0 no name|-|-"
pass

#!/usr/bin/env bash
# Keys and clicks sent with no delay at all, as macros and remote desktops
# send them, are handled in the order they were sent. Two presses of one key
# can then share a time stamp; neither may overtake the keys before it.
source "$(dirname "$0")/lib.sh"

LX_KEY_DELAY=0
lx_start

for run in 1 2 3; do
    # A fresh document each time, bound to a file that does not exist yet.
    lx_cmd "r new-$run.xml"
    # Back to the first column (the cursor stays where it was), then "c l"
    # forty times: forty classes side by side on row 0.
    lx_key $(for _ in $(seq 40); do printf 'h '; done)
    lx_key $(for _ in $(seq 40); do printf 'c l '; done)
    # The command typed at full speed names the file it was typed as.
    rm -f "$WORK/abababab.xml"
    lx_cmd "w abababab.xml"
    lx_wait_file "$WORK/abababab.xml"
    expected=()
    for h in $(seq 0 39); do
        expected+=("class $h 0 no name|-|-")
    done
    lx_expect_doc "$WORK/abababab.xml" "${expected[@]}"
    mv "$WORK/abababab.xml" "$WORK/row-$run.xml"
done

# A click sent right behind typed-ahead keys waits for them: the classes
# land on row 0 and only the last one on the clicked cell, far below.
for run in 1 2 3; do
    lx_cmd "r click-$run.xml"
    lx_key $(for _ in $(seq 40); do printf 'h k '; done)
    xdotool key --delay 0 c l c l c l c mousemove --window "$LX_WID" 250 400 click 1 key --delay 0 c
    rm -f "$WORK/clicked.xml"
    lx_cmd "w clicked.xml"
    lx_wait_file "$WORK/clicked.xml"
    lx_summary "$WORK/clicked.xml" >"$WORK/clicked.txt"
    for h in 0 1 2 3; do
        grep -qx "class $h 0 no name|-|-" "$WORK/clicked.txt" || fail "run $run: no class at ($h, 0)"
    done
    [ "$(grep -c '^class' "$WORK/clicked.txt")" = 5 ] || fail "run $run: not five classes"
    grep -q '^class [0-9]* 0 ' <(grep -vx 'class [0-3] 0 no name|-|-' "$WORK/clicked.txt") &&
        fail "run $run: the clicked class is on row 0"
done
pass

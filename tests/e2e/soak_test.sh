#!/usr/bin/env bash
# Random-input soak: drives the real program with random key presses drawn
# from the bindings of every mode, random printable text and random mouse
# clicks and drags on the canvas, saving with ":w" now and then. About once
# a minute it kills the program (SIGKILL), starts it again, recovers, and
# checks the recovered document against the last recovery copy on disk.
# Afterwards the program must still run, every document it wrote must read
# back (in a display-free reader and in the program itself) and hold the
# model's invariants, and saving twice must give the same bytes.
#
#   SOAK_SECONDS  how long to send random input (default 60)
#   SOAK_SEED     the seed of the input sequence (default: random, printed)
#   SOAK_KEEP     a directory to copy the scratch files and logs to on failure
#
# A failure prints the seed; SOAK_SEED=<seed> replays the same sequence.
set -euo pipefail
LATTRIX=${1:?usage: soak_test.sh path/to/lattrix}
EXPORT="$(dirname "$(readlink -f "$LATTRIX")")/lattrix-export"
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
SOAK_SECONDS=${SOAK_SECONDS:-60}
if [ -z "${SOAK_SEED:-}" ]; then
    SOAK_SEED=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
fi
echo "soak: seed $SOAK_SEED, $SOAK_SECONDS s of input (replay with SOAK_SEED=$SOAK_SEED)"
RANDOM=$((SOAK_SEED % 2147483647))

soak_fail_common() {
    echo "soak: FAILED with seed $SOAK_SEED (replay: SOAK_SEED=$SOAK_SEED SOAK_SECONDS=$SOAK_SECONDS)" >&2
}
fail() {
    echo "$E2E_NAME: FAILED: $*" >&2
    soak_fail_common
    if [ -f "$LOG" ]; then
        echo "--- last lines of the program's log ($LOG)" >&2
        grep -v '^$' "$LOG" | tail -n 40 >&2
    fi
    [ -n "${SOAK_KEEP:-}" ] && cp -r "$WORK" "$SOAK_KEEP"
    exit 1
}

# The program runs in its own directory, so that whatever a random command
# line writes lands there and never over the harness's own files. Random
# text never holds "/" or "~", so no path leaves it.
RUN="$WORK/run"
mkdir -p "$RUN"
RUNS=0

soak_start() {
    RUNS=$((RUNS + 1))
    LOG="$WORK/lattrix.$RUNS.log"
    (cd "$RUN" && exec "$LATTRIX") >"$LOG" 2>&1 &
    LX_PID=$!
    local i
    LX_WID=""
    for i in $(seq 1 600); do
        LX_WID=$(xdotool search --onlyvisible --pid "$LX_PID" --name '^Lattrix' 2>/dev/null | head -n 1 || true)
        [ -n "$LX_WID" ] && break
        kill -0 "$LX_PID" 2>/dev/null || fail "the program exited at start"
        sleep 0.1
    done
    [ -n "$LX_WID" ] || fail "no window after 60 s"
    lx_focus "$LX_WID"
    read -r WIN_W WIN_H < <(xdotool getwindowgeometry "$LX_WID" |
        sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
}

# The program has gone. ":q" typed at random is an intended exit and starts
# a new run; anything else (a crash, a sanitizer report) fails.
soak_on_exit() {
    local rc=0
    wait "$LX_PID" || rc=$?
    LX_PID=""
    if [ "$rc" -eq 0 ] && grep -q 'command q called' "$LOG"; then
        QUITS=$((QUITS + 1))
        soak_restart
        return
    fi
    fail "the program ended with status $rc"
}

# ---- recovery after a kill ----------------------------------------------------

STATE="$XDG_STATE_HOME/lattrix"
RECOVERIES=0
KILLS=0

# The copy the next start must offer first: the newest one left behind
# that is newer than its document's file. Prints its path, or nothing.
soak_expected_copy() {
    lx_py - "$STATE" <<'PY'
import glob, os, sys
import xml.etree.ElementTree as ET

best = None
for f in glob.glob(os.path.join(sys.argv[1], "*.xml")):
    try:
        root = ET.parse(f).getroot()
    except ET.ParseError:
        continue
    if root.tag != "recovery":
        continue
    saved, path = int(root.get("saved", "0")), root.get("path", "")
    if path and os.path.exists(path) and os.stat(path).st_mtime_ns // 1000 >= saved:
        continue
    if best is None or saved > best[0]:
        best = (saved, f)
if best:
    print(best[1])
PY
}

# Prints the "workspace" inside a recovery copy as a document of its own.
soak_copy_document() {
    lx_py - "$1" <<'PY'
import sys
import xml.etree.ElementTree as ET

print(ET.tostring(ET.parse(sys.argv[1]).getroot().find("workspace"), encoding="unicode"))
PY
}


# Starts the program again after it ended; when a copy was left, recovers
# it (Return takes the default, "_Recover") and checks that the document
# is exactly the copy.
soak_restart() {
    local copy
    copy=$(soak_expected_copy)
    if [ -n "$copy" ]; then
        cp "$copy" "$WORK/expected-copy.xml"
    fi
    soak_start
    if [ -z "$copy" ]; then
        return
    fi
    lx_poll "no recovery question for $copy" lx_question_shown
    lx_focus "$LX_QUESTION"
    xdotool key --clearmodifiers Return
    lx_poll "the recovery question stayed" lx_no_question
    lx_focus "$LX_WID"
    RECOVERIES=$((RECOVERIES + 1))
    soak_copy_document "$WORK/expected-copy.xml" >"$WORK/expected-copy-doc.xml"
    soak_save "recovered-$RECOVERIES.xml"
    [ "$(lx_summary "$RUN/recovered-$RECOVERIES.xml")" = "$(lx_summary "$WORK/expected-copy-doc.xml")" ] || {
        diff <(lx_summary "$WORK/expected-copy-doc.xml") <(lx_summary "$RUN/recovered-$RECOVERIES.xml") | head -n 20 >&2
        fail "recovery $RECOVERIES differs from the last copy on disk"
    }
}

soak_kill() {
    KILLS=$((KILLS + 1))
    kill -9 "$LX_PID"
    wait "$LX_PID" 2>/dev/null || true
    LX_PID=""
    soak_restart
}

soak_alive() {
    kill -0 "$LX_PID" 2>/dev/null
}

# ---- the input alphabet ---------------------------------------------------
# Keys of the cell, select-cell, connect and select-connector modes, of the
# three in-class modes and of the command line, by xdotool key name. Moves
# are listed more than once so the cursor wanders more than it edits.
MODE_KEYS=(
    h j k l Up Down Left Right h j k l Up Down Left Right
    c c c x o O t T i I R D A C G v r u ctrl+r colon
    Escape ctrl+bracketleft Return d x
    i v p ctrl+v x d shift+Return shift+Delete BackSpace Return
    BackSpace Delete y ctrl+c
)
# Printable text: ASCII letters, digits and the characters XML escapes, a
# few letters outside ASCII. No "/" and no "~", so no path leaves $RUN.
TEXT_KEYS=(
    a b e n q s w z A B M Q W 0 1 7 space space period comma minus underscore
    less greater ampersand quotedbl apostrophe parenleft bracketright colon
    semicolon numbersign eacute udiaeresis U03B1 U044F
)

rand() {
    REPLY=$((RANDOM % $1))
}

# Appends one random event to BATCH, as xdotool chain arguments. Runs of
# keys go into one "key" command (KEYS), which is much faster than one
# command per key.
soak_flush_keys() {
    if [ ${#KEYS[@]} -gt 0 ]; then
        BATCH+=(key --delay 4 "${KEYS[@]}")
        KEYS=()
    fi
}

soak_event() {
    rand 100
    local r=$REPLY
    if [ "$r" -lt 55 ]; then
        rand ${#MODE_KEYS[@]}
        KEYS+=("${MODE_KEYS[$REPLY]}")
    elif [ "$r" -lt 85 ]; then
        rand ${#TEXT_KEYS[@]}
        KEYS+=("${TEXT_KEYS[$REPLY]}")
    elif [ "$r" -lt 88 ]; then
        KEYS+=(Escape)
    else
        soak_flush_keys
        # The canvas lies between the bars at the top and the command bar at
        # the bottom; clicks elsewhere could open menus and file choosers.
        local x y x2 y2
        rand $((WIN_W - 20))
        x=$((REPLY + 10))
        rand $((WIN_H - 160))
        y=$((REPLY + 110))
        BATCH+=(mousemove --window "$LX_WID" "$x" "$y")
        rand 4
        case $REPLY in
        0 | 1) BATCH+=(click 1) ;;
        2) BATCH+=(click --repeat 2 --delay 40 1) ;;
        3)
            rand $((WIN_W - 20))
            x2=$((REPLY + 10))
            rand $((WIN_H - 160))
            y2=$((REPLY + 110))
            BATCH+=(mousedown 1 mousemove --window "$LX_WID" "$x2" "$y2" mouseup 1)
            ;;
        esac
    fi
}

# ---- commands ---------------------------------------------------------------

# Leaves whatever mode the input left behind for the cell mode: Escape ends
# the command line and the connect, select and visual modes, and takes the
# in-class modes back one step each.
soak_to_cell_mode() {
    xdotool key --clearmodifiers Escape Escape Escape Escape
    lx_idle
}

# Runs one command line command, typed in one go.
soak_cmd() {
    local on off
    soak_to_cell_mode
    soak_alive || soak_on_exit
    on=$(lx_log_count 'active cmd ctrl true')
    off=$(lx_log_count 'active cmd ctrl false')
    xdotool key --clearmodifiers colon
    lx_idle
    lx_wait_log 'active cmd ctrl true' "$on"
    xdotool type --clearmodifiers --delay 15 -- "$1"
    lx_idle
    xdotool key --clearmodifiers Return
    lx_idle
    CMD_OFF=$off
    lx_poll "the command line never closed after ':$1'" soak_cmd_done
}

# The command line has closed. Opening a file may first ask about a copy of
# it left behind (by a random ":r" that set unsaved changes aside); that
# question is put off ("later"), and the file opens as it is.
soak_cmd_done() {
    if lx_question_shown; then
        lx_focus "$LX_QUESTION"
        xdotool key --clearmodifiers Escape
        lx_idle
    fi
    lx_log_above 'active cmd ctrl false' "$CMD_OFF"
}

soak_save() {
    rm -f "$RUN/$1"
    soak_cmd "w $1"
    lx_wait_file "$RUN/$1"
}

# ---- the run ------------------------------------------------------------------

PER_BATCH=40
QUITS=0
EVENTS=0
SAVES=0
soak_start
# The letters beyond ASCII get keys of their own once; xdotool would
# otherwise borrow a key for each and map it back, and a busy program that
# reads the key map late would see other characters.
lx_map_keys "éüαя"
t0=$(date +%s)
last_save=$t0
# Somewhere in the middle of each minute.
rand 30
next_kill=$((t0 + 20 + REPLY))
while [ $(($(date +%s) - t0)) -lt "$SOAK_SECONDS" ]; do
    BATCH=()
    KEYS=()
    for _ in $(seq 1 "$PER_BATCH"); do
        soak_event
    done
    soak_flush_keys
    soak_alive || soak_on_exit
    xdotool "${BATCH[@]}" 2>/dev/null || true
    EVENTS=$((EVENTS + PER_BATCH))
    lx_idle
    soak_alive || soak_on_exit
    if [ $(($(date +%s) - last_save)) -ge 10 ]; then
        SAVES=$((SAVES + 1))
        soak_save "soak-$SAVES.xml"
        last_save=$(date +%s)
    fi
    # The kill waits for unsaved changes that have reached a copy, so that
    # there is something to recover.
    if [ "$(date +%s)" -ge "$next_kill" ] && [ -n "$(soak_expected_copy)" ]; then
        soak_kill
        rand 30
        next_kill=$((next_kill + 45 + REPLY))
    fi
done
soak_alive || soak_on_exit

# Saving twice without an edit in between gives the same bytes.
SAVES=$((SAVES + 1))
soak_save "soak-$SAVES.xml"
soak_save "twice.xml"
cmp -s "$RUN/soak-$SAVES.xml" "$RUN/twice.xml" || {
    diff "$RUN/soak-$SAVES.xml" "$RUN/twice.xml" | head -n 20 >&2
    fail "two saves of one document differ"
}
soak_alive || fail "the program ended during the last saves"

# Every document written during the run, by the harness or by random
# commands, holds the invariants and reads back without a display.
check_document() {
    lx_py - "$1" <<'PY'
import sys
import xml.etree.ElementTree as ET

path = sys.argv[1]
root = ET.parse(path).getroot()
errors = []
if root.tag != "workspace":
    errors.append("root is %s" % root.tag)
classes = {}
uids = {}


def pos_of(node):
    h, v = int(node.get("h")), int(node.get("v"))
    if not (0 <= h <= 65535 and 0 <= v <= 65535):
        errors.append("cell %d,%d outside the table" % (h, v))
    return (h, v)


def take_uid(node, what):
    uid = int(node.get("uid"), 0)
    if uid in uids:
        errors.append("%s shares uid %#x with %s" % (what, uid, uids[uid]))
    uids[uid] = what


for cell in root.iter("cell"):
    pos = pos_of(cell)
    found = cell.findall("class")
    if len(found) != 1:
        errors.append("cell %s holds %d classes" % (pos, len(found)))
        continue
    if pos in classes:
        errors.append("two cells at %s" % (pos,))
    classes[pos] = found[0]
    take_uid(found[0], "class at %s" % (pos,))
kinds = {"association", "dependency", "aggregation", "composition", "generalization"}
for con in root.iter("connector"):
    start, end = con.find("start"), con.find("end")
    if con.get("type") not in kinds:
        errors.append("connector of type %s" % con.get("type"))
    if start is None or end is None:
        errors.append("connector %s lacks an end" % con.get("uid"))
        continue
    s, e = pos_of(start), pos_of(end)
    take_uid(con, "connector %s-%s" % (s, e))
    for p in (s, e):
        if p not in classes:
            errors.append("connector %s-%s ends at %s, where no class is" % (s, e, p))
if errors:
    print("%s:\n  %s" % (path, "\n  ".join(errors)))
    sys.exit(1)
PY
}

docs=0
for f in "$RUN"/*; do
    [ -f "$f" ] || continue
    head -c 200 "$f" | grep -q '<workspace' || continue
    docs=$((docs + 1))
    check_document "$f" || fail "$(basename "$f") breaks an invariant"
    "$EXPORT" "$f" "$WORK/check.png" 2>"$WORK/export.err" ||
        fail "$(basename "$f") does not read back: $(cat "$WORK/export.err")"
done

# The program reads each of its periodic saves back and writes it again
# unchanged.
for i in $(seq 1 "$SAVES"); do
    soak_cmd "r soak-$i.xml"
    soak_save "again-$i.xml"
    cmp -s "$RUN/soak-$i.xml" "$RUN/again-$i.xml" || {
        diff "$RUN/soak-$i.xml" "$RUN/again-$i.xml" | head -n 20 >&2
        fail "soak-$i.xml changed when read and written again"
    }
done
soak_alive || fail "the program ended while reading its documents back"

classes=$(grep -c '<class' "$RUN/soak-$SAVES.xml" || true)
echo "soak: $EVENTS random events in $RUNS run(s) ($QUITS by a random :q, $KILLS by SIGKILL, $RECOVERIES recovered), $docs documents checked, the last with $classes classes"
pass

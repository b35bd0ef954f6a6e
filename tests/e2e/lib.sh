# Shared helpers of the end-to-end scenarios; sourced, never run by ctest.
#
# Each scenario starts the real program, types at it with xdotool and reads
# back what it writes through ":w" and ":xp". The program drains pending
# events before it handles a key, so keys sent in a burst can overtake each
# other on a busy machine; every key is therefore sent on its own and the
# helpers wait until the program is idle again before the next one.

set -euo pipefail
export LC_ALL=C.UTF-8

LATTRIX=${1:?usage: $0 path/to/lattrix}
LATTRIX=$(readlink -f "$LATTRIX")
E2E_NAME=$(basename "$0" .sh)
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SOURCE_DIR=${LATTRIX_SOURCE_DIR:-$(cd "$E2E_DIR/../.." && pwd)}

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

WORK=$(mktemp -d)
LOG="$WORK/lattrix.log"
LX_PID=""
LX_WID=""
E2E_START=$(date +%s.%N)

lx_cleanup() {
    if [ -n "$LX_PID" ]; then
        kill "$LX_PID" 2>/dev/null || true
        wait "$LX_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap lx_cleanup EXIT

fail() {
    echo "$E2E_NAME: FAILED: $*" >&2
    if [ -f "$LOG" ]; then
        echo "--- last lines of the program's log" >&2
        tail -n 25 "$LOG" >&2
    fi
    exit 1
}

pass() {
    awk -v n="$E2E_NAME" -v a="$E2E_START" -v b="$(date +%s.%N)" 'BEGIN { printf "%s: ok (%.1f s)\n", n, b - a }'
}

# A sleep that costs no process: waiting on a pipe that never delivers.
exec {LX_SLEEP_FD}<> <(:)
lx_nap() {
    read -r -t "$1" -u "$LX_SLEEP_FD" _ || true
}

# Waits until the program sleeps with its CPU time unchanged over two looks,
# i.e. it has handled everything sent so far. The caller has made a round
# trip through the X server first (xdotool syncs when it closes its
# connection), so what it sent is already queued.
lx_idle() {
    local stat last="" now i f
    for i in $(seq 1 600); do
        read -r stat <"/proc/$LX_PID/stat" 2>/dev/null || return 0
        stat=${stat##*) }
        read -r -a f <<<"$stat"
        now=$((f[11] + f[12]))
        if [ "${f[0]}" = S ] && [ "$now" = "$last" ]; then
            return 0
        fi
        last=$now
        lx_nap 0.03
    done
    fail "the program stays busy"
}

# Starts the program in the scratch directory and waits for its window.
lx_start() {
    (cd "$WORK" && exec "$LATTRIX") >"$LOG" 2>&1 &
    LX_PID=$!
    local i
    for i in $(seq 1 600); do
        LX_WID=$(xdotool search --onlyvisible --pid "$LX_PID" --name '^Lattrix' 2>/dev/null | head -n 1 || true)
        [ -n "$LX_WID" ] && break
        kill -0 "$LX_PID" 2>/dev/null || fail "the program exited early"
        sleep 0.1
    done
    [ -n "$LX_WID" ] || fail "no window after 60 s"
    lx_focus "$LX_WID"
}

# There is no window manager under Xvfb: focus the window ourselves.
lx_focus() {
    local i
    for i in $(seq 1 50); do
        xdotool windowfocus --sync "$1" 2>/dev/null && break
        sleep 0.1
    done
    xdotool getmouselocation >/dev/null
    lx_idle
}

# Presses keys (xdotool names: "c", "shift+Return", "ctrl+r", "colon").
lx_key() {
    local k
    for k in "$@"; do
        xdotool key "$k"
        lx_idle
    done
}

# Types text one character at a time (non-ASCII included).
lx_type() {
    local text=$1 i
    for ((i = 0; i < ${#text}; i++)); do
        xdotool type -- "${text:i:1}"
        lx_idle
    done
}

lx_log_count() {
    grep -c -- "$1" "$LOG" 2>/dev/null || true
}

# Waits until the log holds more than $2 lines matching $1.
lx_wait_log() {
    local i
    for i in $(seq 1 300); do
        [ "$(lx_log_count "$1")" -gt "$2" ] && return 0
        sleep 0.1
    done
    fail "the log never showed '$1'"
}

# Runs one command-line command: ":" then the text, then Return.
lx_cmd() {
    local on off
    on=$(lx_log_count 'active cmd ctrl true')
    off=$(lx_log_count 'active cmd ctrl false')
    lx_key colon
    lx_wait_log 'active cmd ctrl true' "$on"
    lx_type "$1"
    lx_key Return
    lx_wait_log 'active cmd ctrl false' "$off"
}

# Waits for a file that the program writes, complete and readable.
lx_wait_file() {
    local f=$1 i
    for i in $(seq 1 300); do
        if [ -s "$f" ]; then
            case "$f" in
            *.png) identify "$f" >/dev/null 2>&1 && return 0 ;;
            *) python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' "$f" 2>/dev/null && return 0 ;;
            esac
        fi
        sleep 0.1
    done
    fail "$f was never written"
}

# Saves the document with ":w" into $WORK/$1 (the program runs in $WORK,
# and a short relative name keeps the typing short) and waits for it.
lx_save() {
    rm -f "$WORK/$1"
    lx_cmd "w $1"
    lx_wait_file "$WORK/$1"
}

# Prints a document as sorted lines, one per class and per connector:
#   class H V name|block1|block2   (a hidden block is "-", line breaks "\n")
#   connector TYPE SH,SV -> EH,EV
lx_summary() {
    python3 - "$1" <<'PY'
import sys
import xml.etree.ElementTree as ET

root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "workspace", root.tag
lines = []
for cell in root.iter("cell"):
    klass = cell.find("class")
    parts = []
    for tag in ("name", "block1", "block2"):
        e = klass.find(tag)
        parts.append("-" if e is None else (e.text or "").replace("\n", "\\n"))
    lines.append("class %s %s %s" % (cell.get("h"), cell.get("v"), "|".join(parts)))
for con in root.iter("connector"):
    s, e = con.find("start"), con.find("end")
    lines.append("connector %s %s,%s -> %s,%s" % (con.get("type"), s.get("h"), s.get("v"), e.get("h"), e.get("v")))
print("\n".join(sorted(lines)))
PY
}

# Compares a saved document with the expected summary lines (any order).
lx_expect_doc() {
    local file=$1 expected got
    shift
    expected=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
    got=$(lx_summary "$file")
    if [ "$got" != "$expected" ]; then
        echo "--- expected" >&2
        echo "$expected" >&2
        echo "--- got ($file)" >&2
        echo "$got" >&2
        fail "unexpected document"
    fi
}

# Asks a window to close the way a window manager does (WM_DELETE_WINDOW),
# so the program's close question runs; xdotool can only destroy windows.
lx_request_close() {
    python3 - "$1" <<'PY'
import ctypes, sys

x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


dpy = x.XOpenDisplay(None)
if not dpy:
    sys.exit("cannot open display")
ev = Event()
ev.xclient.type = 33  # ClientMessage
ev.xclient.display = dpy
ev.xclient.window = int(sys.argv[1])
ev.xclient.message_type = x.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
ev.xclient.format = 32
ev.xclient.data[0] = x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
ev.xclient.data[1] = 0  # CurrentTime
x.XSendEvent(dpy, int(sys.argv[1]), 0, 0, ctypes.byref(ev))
x.XSync(dpy, 0)
PY
}

# Waits for the program to end; fails when it is still running after $1 s.
lx_wait_exit() {
    local i
    for i in $(seq 1 $(($1 * 10))); do
        if ! kill -0 "$LX_PID" 2>/dev/null; then
            wait "$LX_PID" 2>/dev/null || true
            LX_PID=""
            return 0
        fi
        sleep 0.1
    done
    fail "the program is still running after $1 s"
}

# Prints the ids of the program's dialogs: its visible windows other than the
# main one, leaving out the 1x1 helper windows and the screen-sized root match.
lx_other_windows() {
    local w geo
    for w in $(xdotool search --onlyvisible --pid "$LX_PID" '' 2>/dev/null); do
        [ "$w" = "$LX_WID" ] && continue
        geo=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: //p')
        case "$geo" in "" | 1x1 | "$(xdotool getdisplaygeometry | tr ' ' x)") continue ;; esac
        echo "$w"
    done
}

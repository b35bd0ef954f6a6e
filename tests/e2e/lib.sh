# Shared helpers of the end-to-end scenarios; sourced, never run by ctest.
#
# Each scenario starts the real program, types at it with xdotool and reads
# back what it writes through ":w" and ":xp". Keys go out in bursts: the
# program handles keys typed ahead in the order they arrive, so nothing waits
# between keys. A scenario waits only for what it can see: the log line that
# closes the command line (every key before it has then been handled), a
# file, a window.

set -euo pipefail
export LC_ALL=C.UTF-8

LATTRIX=${1:?usage: $0 path/to/lattrix}
LATTRIX=$(readlink -f "$LATTRIX")
E2E_NAME=$(basename "$0" .sh)
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SOURCE_DIR=${LATTRIX_SOURCE_DIR:-$(cd "$E2E_DIR/../.." && pwd)}

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$@"
fi

# The system's own interpreter and ImageMagick: a wrapper earlier on the PATH
# can cost a second per call, or change the pixels it is asked to read.
LX_PY=python3
[ -x /usr/bin/python3 ] && LX_PY=/usr/bin/python3
LX_CONVERT=convert
[ -x /usr/bin/convert ] && LX_CONVERT=/usr/bin/convert
LX_IDENTIFY=identify
[ -x /usr/bin/identify ] && LX_IDENTIFY=/usr/bin/identify
lx_py() { "$LX_PY" -I "$@"; }

# Milliseconds between the keys of a burst.
LX_KEY_DELAY=${LX_KEY_DELAY:-8}
# Seconds to wait for anything the program should do.
LX_TIMEOUT=${LX_TIMEOUT:-30}

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

# Polls a command until it succeeds; fails with $1 after LX_TIMEOUT seconds.
lx_poll() {
    local what=$1 deadline
    shift
    deadline=$((SECONDS + LX_TIMEOUT))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "$what (after ${LX_TIMEOUT} s)"
        lx_nap 0.02
    done
}

# Waits until the program sleeps with its CPU time unchanged over two looks.
# Only for what leaves no other trace (a fresh window taking the focus).
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

lx_find_window() {
    if ! kill -0 "$LX_PID" 2>/dev/null; then
        # An X server that resets when its last client leaves turns away
        # whoever connects in that moment: try once more.
        if [ -z "${LX_RETRIED:-}" ] && grep -q 'cannot open display' "$LOG"; then
            LX_RETRIED=1
            lx_nap 0.5
            lx_spawn
            return 1
        fi
        fail "the program exited early"
    fi
    LX_WID=$(xdotool search --onlyvisible --pid "$LX_PID" --name '^Lattrix' 2>/dev/null | head -n 1 || true)
    [ -n "$LX_WID" ]
}

# Recovery copies stay in the scratch directory: a scenario neither sees
# copies of others nor leaves its own behind.
export XDG_STATE_HOME="$WORK/state"
# Likewise the remembered window size and the recent-files list.
export XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data"

# Starts the program in the scratch directory (with the arguments given)
# and waits for its window.
LX_ARGS=()
lx_spawn() {
    (cd "$WORK" && exec "$LATTRIX" "${LX_ARGS[@]}") >"$LOG" 2>&1 &
    LX_PID=$!
}

lx_start() {
    LX_RETRIED=""
    LX_ARGS=("$@")
    lx_spawn
    lx_poll "no window" lx_find_window
    lx_focus "$LX_WID"
}

# There is no window manager under Xvfb: focus the window ourselves.
lx_focus() {
    lx_poll "window $1 never took the focus" timeout 5 xdotool windowfocus --sync "$1"
    lx_idle
}

# Presses keys, in one burst (xdotool names: "c", "shift+Return", "ctrl+r").
lx_key() {
    xdotool key --delay "$LX_KEY_DELAY" "$@"
}

# Gives each character of $1 beyond ASCII a key of its own, once for the
# session. Left to itself, xdotool borrows one spare key for every such
# character and maps it back afterwards; a busy program that reads the key
# map late then sees the wrong character.
lx_map_keys() {
    lx_py - "$1" <<'PY'
import ctypes, sys

x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
x.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
x.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int, ctypes.POINTER(ctypes.c_int)]
x.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                     ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x.XFree.argtypes = [ctypes.c_void_p]

dpy = x.XOpenDisplay(None)
if not dpy:
    sys.exit("cannot open display")
lo, hi, per = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
x.XDisplayKeycodes(dpy, ctypes.byref(lo), ctypes.byref(hi))
n = hi.value - lo.value + 1
m = x.XGetKeyboardMapping(dpy, lo.value, n, ctypes.byref(per))
have = {m[i] for i in range(n * per.value)}
# Latin-1 keysyms are the code points; the others are 0x1000000 + code point.
want = [ord(c) if ord(c) < 0x100 else 0x1000000 | ord(c) for c in dict.fromkeys(sys.argv[1]) if ord(c) > 0x7F]
want = [k for k in want if k not in have]
# Keycode 8 and up; the lowest may be refused, so start above it.
free = [lo.value + k for k in range(1, n) if all(m[k * per.value + j] == 0 for j in range(per.value))]
x.XFree(m)
if len(want) > len(free):
    sys.exit("not enough spare keys for %d characters" % len(want))
for code, sym in zip(free, want):
    x.XChangeKeyboardMapping(dpy, code, 2, (ctypes.c_ulong * 2)(sym, sym), 1)
x.XSync(dpy, 0)
PY
}

# Types text in one burst (non-ASCII included).
lx_type() {
    if LC_ALL=C grep -q '[^ -~]' <<<"$1"; then
        lx_map_keys "$1" || fail "cannot map keys for '$1'"
    fi
    xdotool type --delay "$LX_KEY_DELAY" -- "$1"
}

lx_log_count() {
    grep -c -- "$1" "$LOG" 2>/dev/null || true
}

lx_log_above() {
    [ "$(lx_log_count "$1")" -gt "$2" ]
}

# Waits until the log holds more than $2 lines matching $1.
lx_wait_log() {
    lx_poll "the log never showed '$1'" lx_log_above "$1" "$2"
}

# Runs one command-line command: ":" then the text, then Return, and waits
# until the command line has closed again, so the command and every key
# typed before it have been handled.
lx_cmd() {
    local off
    off=$(lx_log_count 'active cmd ctrl false')
    xdotool key --delay "$LX_KEY_DELAY" colon
    lx_type "$1"
    xdotool key --delay "$LX_KEY_DELAY" Return
    lx_poll "the command line never ran ':$1' (is ':' bound in the mode the keys before left?)" \
        lx_log_above 'active cmd ctrl false' "$off"
}

# Fails unless the program wrote $1. The program writes a file whole in one
# step, and a command's file is there once the command line has closed.
lx_wait_file() {
    local f=$1 LX_TIMEOUT=5
    lx_poll "$f was never written" test -s "$f"
    case "$f" in
    *.png) "$LX_IDENTIFY" "$f" >/dev/null 2>&1 || fail "$f is not a PNG image" ;;
    esac
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
    lx_py - "$1" <<'PY'
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
    lx_py - "$1" <<'PY'
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

lx_exited() {
    ! kill -0 "$LX_PID" 2>/dev/null
}

# Waits for the program to end.
lx_wait_exit() {
    lx_poll "the program is still running" lx_exited
    wait "$LX_PID" 2>/dev/null || true
    LX_PID=""
}

# Prints the ids of the program's dialogs: its visible windows other than the
# main one, leaving out the 1x1 helper windows, the screen-sized root match and
# popups (menus, tooltips). A slow program still shows the menu that opened a
# dialog when the scenario looks, and a menu never takes the focus.
lx_other_windows() {
    local w geo
    for w in $(xdotool search --onlyvisible --pid "$LX_PID" '' 2>/dev/null); do
        [ "$w" = "$LX_WID" ] && continue
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: no' || continue
        geo=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: //p')
        case "$geo" in "" | 1x1 | "$(xdotool getdisplaygeometry | tr ' ' x)") continue ;; esac
        echo "$w"
    done
}

# The program's questions: its dialogs, leaving out the windows that belong
# to its main window.
lx_questions() {
    local w
    for w in $(lx_other_windows); do
        case "$(xdotool getwindowname "$w" 2>/dev/null)" in
        Lattrix*) ;;
        *) echo "$w" ;;
        esac
    done
}
lx_question_shown() {
    LX_QUESTION=$(lx_questions | head -n 1)
    [ -n "$LX_QUESTION" ]
}
lx_no_question() {
    [ -z "$(lx_questions)" ]
}

# Counts pixels of a PNG image: "ink" counts those that are not white,
# "active" the blue ones of a highlighted connector (blue well above red).
lx_png_count() {
    "$LX_CONVERT" "$1" -alpha off -format %c histogram:info:- | awk -v kind="$2" '
        match($0, /\(([0-9]+),([0-9]+),([0-9]+)\)/) {
            split(substr($0, RSTART + 1, RLENGTH - 2), c, ",")
            n = $1 + 0
            if (kind == "ink" && !(c[1] == 255 && c[2] == 255 && c[3] == 255)) total += n
            if (kind == "active" && c[3] > 128 && c[1] < c[3] / 2) total += n
        }
        END { print total + 0 }'
}

lx_png_size() {
    "$LX_IDENTIFY" -format '%w %h' "$1"
}

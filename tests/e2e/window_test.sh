#!/usr/bin/env bash
# Starts the editor and checks its window: title, minimum size and icon.
# Runs under the X server that ctest is given (make test uses xvfb-run).
set -euo pipefail
LATTRIX=${1:?usage: window_test.sh path/to/lattrix}

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$@"
fi

workdir=$(mktemp -d)
log="$workdir/lattrix.log"
(cd "$workdir" && exec "$LATTRIX") >"$log" 2>&1 &
pid=$!
cleanup() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -rf "$workdir"
}
trap cleanup EXIT

fail() {
    echo "window_test: $*" >&2
    echo "--- log" >&2
    tail -n 20 "$log" >&2
    exit 1
}

wid=""
for _ in $(seq 1 100); do
    wid=$(xdotool search --onlyvisible --name '^Lattrix$' 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program exited early"
    sleep 0.1
done
[ -n "$wid" ] || fail "no visible window titled Lattrix"

read -r width height < <(xdotool getwindowgeometry "$wid" |
    sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
# The canvas alone asks for 500 x 400; bars and command bar come on top.
[ "$width" -ge 500 ] || fail "window only $width px wide"
[ "$height" -ge 440 ] || fail "window only $height px high"

# The icon property may land a moment after the window first shows up.
has_icon=""
for _ in $(seq 1 30); do
    if xprop -id "$wid" _NET_WM_ICON 2>/dev/null | grep -q '48 x 48'; then
        has_icon=yes
        break
    fi
    sleep 0.1
done
[ -n "$has_icon" ] || fail "window has no 48x48 icon"
grep -q 'G_MESSAGES_DEBUG\|DEBUG' "$log" || fail "debug messages are not switched on"
echo "window_test: ok ($width x $height)"

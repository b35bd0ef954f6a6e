#!/usr/bin/env bash
# Types into the running program and checks the document it writes: two
# classes, a row inserted above them, undone and redone, then ":w".
set -euo pipefail

bin=$(realpath "$1")
work=$(mktemp -d)
pid=""
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    echo "needs an X display (run under xvfb-run -a)" >&2
    exit 1
fi

cd "$work"
"$bin" >"$work/log.txt" 2>&1 &
pid=$!

win=""
for _ in $(seq 1 100); do
    win=$(xdotool search --onlyvisible --name '^Lattrix' 2>/dev/null | head -n 1 || true)
    [ -n "$win" ] && break
    sleep 0.1
done
if [ -z "$win" ]; then
    echo "the main window did not appear" >&2
    cat "$work/log.txt" >&2
    exit 1
fi
xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
# Let the first paint finish: a key handler first dispatches every event
# queued before it, so keys sent into a busy program can be taken out of
# order.
sleep 1.5

press() {
    xdotool key --clearmodifiers "$@"
    sleep 0.4
}

press c
press l
press c
press o
press u
press ctrl+r
press colon
for k in w space o u t period x m l; do
    press "$k"
done
press Return

for _ in $(seq 1 50); do
    [ -s out.xml ] && break
    sleep 0.1
done
if [ ! -s out.xml ]; then
    echo "out.xml was not written" >&2
    tail -n 40 "$work/log.txt" >&2
    exit 1
fi

cells=$(grep -oE '<cell h="[0-9]+" v="[0-9]+"' out.xml | sort | tr '\n' ' ')
expected='<cell h="0" v="1" <cell h="1" v="1" '
if [ "$cells" != "$expected" ]; then
    echo "unexpected cells: $cells (expected $expected)" >&2
    cat out.xml >&2
    exit 1
fi
echo "ok: $cells"

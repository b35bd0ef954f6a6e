#!/usr/bin/env bash
# Names a class by typing into it, with a letter outside ASCII, and checks
# that the written document holds exactly that name.
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
# Keys sent into a program that is still painting can be taken out of order.
sleep 1.5

press() {
    xdotool key --clearmodifiers "$@"
    sleep 0.4
}

press c
press shift+i
# A new class is called "no name": delete it from the start of the name.
for _ in $(seq 1 7); do
    press Delete
done
for k in C a f eacute; do
    press "$k"
done
press Escape
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

if ! grep -q '<name>Café</name>' out.xml; then
    echo "the typed name is not in the document" >&2
    cat out.xml >&2
    exit 1
fi
echo "ok: Café"

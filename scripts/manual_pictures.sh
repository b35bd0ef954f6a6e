#!/usr/bin/env bash
# Makes the manual's pictures from the built program under Xvfb: one window
# per mode (the command bar names it; the canvas shows what it highlights),
# the command line, and the six connector kinds side by side as exported.
# Writes docs/manual/images/*.png, which both manuals show.
# Usage: scripts/manual_pictures.sh [path/to/lattrix]   (default build/lattrix)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=${1:-$ROOT/build/lattrix}
[ -x "$BIN" ] || { echo "build the program first (make build)" >&2; exit 1; }
OUT=$ROOT/docs/manual/images

source "$ROOT/tests/e2e/lib.sh" "$BIN"
mkdir -p "$OUT"

# The window as a picture of modest size and few colours.
shoot() {
    lx_nap 0.3
    lx_idle
    import -window "$LX_WID" "$WORK/shot.png"
    "$LX_CONVERT" "$WORK/shot.png" -strip -resize '760x>' -colors 96 "$OUT/$1.png"
    echo "wrote $OUT/$1.png"
}
mode_is() { [ "$(grep -o 'change .* -> .*' "$LOG" | tail -n 1 | sed 's/.* -> //')" = "$1" ]; }
# Presses keys and waits until the bar names the mode they lead to.
to_mode() {
    local mode=$1
    shift
    lx_key "$@"
    lx_poll "never reached $mode" mode_is "$mode"
}

lx_start
xdotool windowsize --sync "$LX_WID" 900 560 || true
cp "$ROOT/examples/shop.xml" "$WORK/shop.xml"
lx_cmd "r shop.xml"
# The cursor on Order, which has connectors on three sides.
lx_key l l l
shoot mode-cell
to_mode "SELECT CELL MODE" v l j
shoot mode-select-cell
to_mode "CELL MODE" Escape
# Back from the range's far corner to Order.
lx_key k h
to_mode "CONNECT MODE" D j j
shoot mode-connect
to_mode "CELL MODE" Escape
to_mode "SELECT CONNECTOR MODE" r
lx_key l
shoot mode-select-connector
to_mode "CELL MODE" Escape
to_mode "NORMAL MODE (CLASS)" i
lx_key j
shoot mode-normal
to_mode "VISUAL MODE (CLASS)" v
lx_key l l l l l
shoot mode-visual
to_mode "NORMAL MODE (CLASS)" Escape
to_mode "INSERT MODE (NORMAL)" i
shoot mode-insert
lx_key Escape Escape
to_mode "INSERT MODE (DIRECT)" I
shoot mode-insert-direct
lx_key Escape
lx_key colon
lx_type "xp diagram.png"
shoot command-line
lx_key Escape Escape

# The six kinds, each from a class on top to one below it.
lx_key ctrl+n
lx_focus "$LX_WID"
kinds=(association dependency aggregation composition generalization realization)
keys=(R D A C G E)
for i in 0 1 2 3 4 5; do
    lx_key c I Delete Delete Delete Delete Delete Delete Delete
    lx_type "${kinds[$i]}"
    lx_key Escape j j c I Delete Delete Delete Delete Delete Delete Delete
    lx_type "B"
    lx_key Escape k k "${keys[$i]}" j j Return k k l l
done
lx_cmd "xp connectors.png"
lx_wait_file "$WORK/connectors.png"
"$LX_CONVERT" "$WORK/connectors.png" -strip -resize '760x>' "$OUT/connectors.png"
echo "wrote $OUT/connectors.png"

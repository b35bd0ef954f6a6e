#!/usr/bin/env bash
# Regenerates docs/screenshot.png: opens examples/shop.xml in the built
# program under Xvfb with ":r" and captures the window.
# Usage: scripts/screenshot.sh [path/to/lattrix]   (default build/lattrix)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=${1:-$ROOT/build/lattrix}
[ -x "$BIN" ] || { echo "build the program first (make build)" >&2; exit 1; }

source "$ROOT/tests/e2e/lib.sh" "$BIN"

lx_start
cp "$ROOT/examples/shop.xml" "$WORK/shop.xml"
lx_cmd "r shop.xml"
# Tall enough for the whole example.
xdotool windowsize "$LX_WID" 983 600
# Put the cursor on Order so the shot shows it highlighted.
lx_key l l l
lx_nap 1
lx_idle
import -window "$LX_WID" "$WORK/shot.png"
"$LX_CONVERT" "$WORK/shot.png" -strip "$ROOT/docs/screenshot.png"
echo "wrote $ROOT/docs/screenshot.png ($("$LX_IDENTIFY" -format '%wx%h' "$ROOT/docs/screenshot.png"))"

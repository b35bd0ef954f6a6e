#!/usr/bin/env bash
# Starts the editor and checks its window: title, minimum size and icon.
source "$(dirname "$0")/lib.sh"

lx_start

read -r width height < <(xdotool getwindowgeometry "$LX_WID" |
    sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
# The canvas alone asks for 500 x 400; bars and command bar come on top.
[ "$width" -ge 500 ] || fail "window only $width px wide"
[ "$height" -ge 440 ] || fail "window only $height px high"
[ "$(xdotool getwindowname "$LX_WID")" = Lattrix ] || fail "title is not Lattrix"

# The icon property may land a moment after the window first shows up.
has_icon() { xprop -id "$LX_WID" _NET_WM_ICON 2>/dev/null | grep -q '48 x 48'; }
lx_poll "window has no 48x48 icon" has_icon
grep -q 'G_MESSAGES_DEBUG\|DEBUG' "$LOG" || fail "debug messages are not switched on"
pass

#!/usr/bin/env bash
# Connect and select-connector modes: one connector of each kind, a cancelled
# one, and one removed by walking to it.
source "$(dirname "$0")/lib.sh"

lx_start
# Classes at (0,0), (2,0), (4,0), (0,2) and (2,2).
lx_key c l l c l l c j j h h c h h c
# From (0,2): association up to (0,0); dependency to (2,0); aggregation to
# (4,0); composition to (2,2); generalization up to (2,0).
lx_key R k k Return
lx_key D l l Return
lx_key A l l Return
lx_key C h h j j Return
lx_key G k k Return
# Escape leaves nothing; Return on an empty cell keeps the connect mode.
lx_key R l l Escape
lx_key D j Return Escape
lx_save a.xml
lx_expect_doc "$WORK/a.xml" \
    "class 0 0 no name|-|-" "class 2 0 no name|-|-" "class 4 0 no name|-|-" \
    "class 0 2 no name|-|-" "class 2 2 no name|-|-" \
    "connector association 0,2 -> 0,0" "connector dependency 0,0 -> 2,0" \
    "connector aggregation 2,0 -> 4,0" "connector composition 4,0 -> 2,2" \
    "connector generalization 2,2 -> 2,0"

# (0,2) has one connector: "r" highlights it, "x" removes it and the cell
# mode returns, so the following "c" is refused on the occupied cell.
lx_key h h j j r x c
lx_save b.xml
lx_expect_doc "$WORK/b.xml" \
    "class 0 0 no name|-|-" "class 2 0 no name|-|-" "class 4 0 no name|-|-" \
    "class 0 2 no name|-|-" "class 2 2 no name|-|-" \
    "connector dependency 0,0 -> 2,0" "connector aggregation 2,0 -> 4,0" \
    "connector composition 4,0 -> 2,2" "connector generalization 2,2 -> 2,0"

# Undo restores it; deleting a class takes its connectors along.
lx_key u l l x
lx_save c.xml
lx_expect_doc "$WORK/c.xml" \
    "class 0 0 no name|-|-" "class 2 0 no name|-|-" "class 4 0 no name|-|-" \
    "class 0 2 no name|-|-" \
    "connector association 0,2 -> 0,0" "connector dependency 0,0 -> 2,0" \
    "connector aggregation 2,0 -> 4,0"
pass

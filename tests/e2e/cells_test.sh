#!/usr/bin/env bash
# Cell mode: adding and removing classes with the cursor keys, undo and redo.
source "$(dirname "$0")/lib.sh"

lx_start

# Classes at (0,0), (2,0) and (2,1); "h j k l" and the arrow keys move, and
# an occupied cell refuses a second class.
lx_key c l Right c j c c
lx_save a.xml
lx_expect_doc "$WORK/a.xml" \
    "class 0 0 no name|-|-" "class 2 0 no name|-|-" "class 2 1 no name|-|-"

# The cursor stops at row 0 and column 0, so extra steps up-left reach (0,0).
lx_key k k Up h h h Left x
lx_save b.xml
lx_expect_doc "$WORK/b.xml" "class 2 0 no name|-|-" "class 2 1 no name|-|-"

# Undo brings the class back, redo removes it again, more undos walk further
# back, and a new edit drops what was left to redo.
lx_key u
lx_save c.xml
lx_expect_doc "$WORK/c.xml" \
    "class 0 0 no name|-|-" "class 2 0 no name|-|-" "class 2 1 no name|-|-"
lx_key ctrl+r u u u j c ctrl+r
lx_save d.xml
lx_expect_doc "$WORK/d.xml" "class 0 0 no name|-|-" "class 0 1 no name|-|-"
pass

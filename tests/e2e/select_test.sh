#!/usr/bin/env bash
# Select cell mode: a range chosen with "v" and the cursor deletes every class
# inside it and leaves those outside; escape deletes nothing.
source "$(dirname "$0")/lib.sh"

lx_start
# Classes at (0,0), (1,0), (1,1) and (2,2).
lx_key c l c j c j l c
# Select (1,1)..(2,2) from the far corner, then abandon it.
lx_key v h k Escape
# Select (0,0)..(1,1) and delete it with "x".
lx_key h h k k v l j x
lx_save a.xml
lx_expect_doc "$WORK/a.xml" "class 2 2 no name|-|-"
# One undo restores the whole range.
lx_key u
lx_save b.xml
lx_expect_doc "$WORK/b.xml" "class 0 0 no name|-|-" "class 1 0 no name|-|-" \
    "class 1 1 no name|-|-" "class 2 2 no name|-|-"
# "d" deletes too: (1,1)..(2,1) holds one class.
lx_key v l d
lx_save c.xml
lx_expect_doc "$WORK/c.xml" "class 0 0 no name|-|-" "class 1 0 no name|-|-" \
    "class 2 2 no name|-|-"
pass

#!/usr/bin/env bash
# Rows and columns: inserting and deleting lines moves classes and connector
# ends behind them; undo puts everything back.
source "$(dirname "$0")/lib.sh"

lx_start
# Classes at (0,0) and (1,1) joined by an association.
lx_key c j l c k h R j l Return k h
lx_save a.xml
lx_expect_doc "$WORK/a.xml" "class 0 0 no name|-|-" "class 1 1 no name|-|-" \
    "connector association 0,0 -> 1,1"

# "o" inserts a row before the cursor's row 0, "O" a column before column 0.
lx_key o O
lx_save b.xml
lx_expect_doc "$WORK/b.xml" "class 1 1 no name|-|-" "class 2 2 no name|-|-" \
    "connector association 1,1 -> 2,2"

# "t" deletes the (now empty) row 0 and "T" column 0: back where we began.
lx_key t T
lx_save c.xml
lx_expect_doc "$WORK/c.xml" "class 0 0 no name|-|-" "class 1 1 no name|-|-" \
    "connector association 0,0 -> 1,1"

# Deleting a row that holds a class takes the class and its connector.
lx_key t
lx_save d.xml
lx_expect_doc "$WORK/d.xml" "class 1 0 no name|-|-"
lx_key u
lx_save e.xml
lx_expect_doc "$WORK/e.xml" "class 0 0 no name|-|-" "class 1 1 no name|-|-" \
    "connector association 0,0 -> 1,1"
pass

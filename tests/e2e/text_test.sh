#!/usr/bin/env bash
# In-class modes: typing a non-ASCII name, adding two blocks and filling them;
# a run of typing undoes in one step.
source "$(dirname "$0")/lib.sh"

lx_start
# "I" types into the class at once; <Del> removes the default name.
lx_key c I Delete Delete Delete Delete Delete Delete Delete
lx_type "Café注文"
lx_key Escape
lx_save a.xml
lx_expect_doc "$WORK/a.xml" "class 0 0 Café注文|-|-"

# The whole run of typing is one undo step; redo brings it back.
lx_key u
lx_save b.xml
lx_expect_doc "$WORK/b.xml" "class 0 0 no name|-|-"
lx_key ctrl+r

# Normal mode: <S-Enter> adds a block after the current text, "j" walks down
# into it, "i" types there and <Esc> returns to the normal mode.
lx_key i shift+Return j i
lx_type "id : int"
lx_key Return
lx_type "ok"
lx_key Escape shift+Return j i
lx_type "run()"
lx_key Escape Escape
lx_save c.xml
lx_expect_doc "$WORK/c.xml" 'class 0 0 Café注文|id : int\nok|run()'

# The normal mode takes up the text where editing left off, in block 2: "k"
# from its first line climbs to block 1's last line, and "dd" deletes it.
lx_key i k d d Escape
lx_save d.xml
lx_expect_doc "$WORK/d.xml" 'class 0 0 Café注文|id : int|run()'

# <S-Del> in block 1 hides a block, block 2's text moving up; undo brings
# both texts back where they were.
lx_key i shift+Delete Escape
lx_save e.xml
lx_expect_doc "$WORK/e.xml" 'class 0 0 Café注文|run()|-'
lx_key u
lx_save f.xml
lx_expect_doc "$WORK/f.xml" 'class 0 0 Café注文|id : int|run()'
pass

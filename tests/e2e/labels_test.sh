#!/usr/bin/env bash
# A realization drawn with "E", both its ends and its name labelled on the
# prompts of the select-connector mode, a self-relation, undo and redo; the
# saved document keeps every label and the SVG export shows them as text.
source "$(dirname "$0")/lib.sh"

# Opens a label's prompt with key $1, types $2 and commits it; waits until
# the command line has closed again.
lx_label() {
    local off
    off=$(lx_log_count 'active cmd ctrl false')
    lx_key "$1"
    lx_type "$2"
    lx_key Return
    lx_poll "the prompt of '$1' never closed" lx_log_above 'active cmd ctrl false' "$off"
}

lx_start
# Classes at (0,0) and (0,2); the realization runs from the implementing
# class at (0,2) up to the interface at (0,0), where the cursor stays.
lx_key c j j c
lx_key E k k Return
lx_key r
lx_label s "1..*"
lx_label e "0..1 owner"
lx_label i "implements"
# Out of the interface and back to it: a self-relation.
lx_key Escape R l h Return
# Undo the loop and the name, then redo both.
lx_key u u ctrl+r ctrl+r
lx_save a.xml
lx_expect_doc "$WORK/a.xml" \
    "class 0 0 no name|-|-" "class 0 2 no name|-|-" \
    "connector realization 0,2 -> 0,0" "connector association 0,0 -> 0,0"
lx_py - "$WORK/a.xml" <<'PY' || fail "the labels are not in the document"
import sys
import xml.etree.ElementTree as ET

con = [c for c in ET.parse(sys.argv[1]).getroot().iter("connector") if c.get("type") == "realization"][0]
got = (con.get("name"), con.find("start").get("label"), con.find("end").get("label"))
if got != ("implements", "1..*", "0..1 owner"):
    sys.exit("labels: %r" % (got,))
PY
lx_cmd "xp a.svg"
lx_wait_file "$WORK/a.svg"
for text in "1..*" "0..1 owner" "implements"; do
    grep -qF ">$text</text>" "$WORK/a.svg" || fail "the export lacks the label '$text'"
done
pass

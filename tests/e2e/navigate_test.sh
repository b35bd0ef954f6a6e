#!/usr/bin/env bash
# Finding your way: "/" finds a class by name and "x" deletes it; zoomed out
# to 50 %, a click on a class's box as it is drawn selects that very class;
# a bare ":w" saves to the file of the first ":w FILE".
source "$(dirname "$0")/lib.sh"

lx_start
name_class() {
    lx_key c I Delete Delete Delete Delete Delete Delete Delete
    lx_type "$1"
    lx_key Escape
}
# Alpha at (0, 0), Target at (3, 2), Other at (1, 1).
name_class Alpha
lx_key l l l j j
name_class Target
lx_key h h k
name_class Other

# Back to the origin, then find "targ" (any case) and delete what it found.
lx_key h h h h k k k k slash
lx_type "TARG"
lx_key Return x
lx_save a.xml
lx_expect_doc "$WORK/a.xml" "class 0 0 Alpha|-|-" "class 1 1 Other|-|-"
# A text nobody has leaves the cursor (and the document) alone.
lx_key u h k k slash
lx_type "nobody"
lx_key Return x
lx_save b.xml
lx_expect_doc "$WORK/b.xml" "class 0 0 Alpha|-|-" "class 1 1 Other|-|-" "class 3 2 Target|-|-"

# The cursor on an empty cell, then three steps out: 80, 67, 50 %.
lx_key h h h h k k k k l l
off=$(lx_log_count 'zoom 50 %')
lx_key ctrl+minus ctrl+minus ctrl+minus
lx_wait_log 'zoom 50 %' "$off"
lx_cmd "parse drawn"
lx_idle

# The lowest, rightmost pixel of a class box's black fill (the cursor's box
# is brown) lies in Target's box: click just inside it.
import -window "$LX_WID" -depth 8 "$WORK/shot.ppm" || fail "no screenshot"
read -r px py < <(lx_py - "$WORK/shot.ppm" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
# P6 header: magic, width, height, maxval, then RGB bytes.
fields, pos = [], 0
while len(fields) < 4:
    while data[pos:pos + 1].isspace():
        pos += 1
    start = pos
    while not data[pos:pos + 1].isspace():
        pos += 1
    fields.append(data[start:pos])
pos += 1
w, h = int(fields[1]), int(fields[2])
px = data[pos:]
def rgb(x, y):
    i = 3 * (y * w + x)
    return px[i], px[i + 1], px[i + 2]
# The canvas: the rows where its background (#111) covers a third or more.
rows = [y for y in range(h) if sum(rgb(x, y) == (17, 17, 17) for x in range(0, w, 4)) * 4 > w / 3]
top, bottom = min(rows), max(rows)
best = None
for y in range(top, bottom + 1):
    for x in range(w):
        if rgb(x, y) == (0, 0, 0) and (best is None or x + y > best[0] + best[1]):
            best = (x, y)
if best is None:
    sys.exit("no class box on the screen")
print(best[0] - 3, best[1] - 3)
PY
) || fail "cannot find a class box in the screenshot"
xdotool mousemove --window "$LX_WID" "$px" "$py" click 1
lx_key x
# A bare ":w" writes b.xml again, the file of the last ":w FILE".
cp "$WORK/b.xml" "$WORK/b-before.xml"
lx_cmd "w"
lx_poll "a bare :w did not save" bash -c "! cmp -s '$WORK/b.xml' '$WORK/b-before.xml'"
lx_expect_doc "$WORK/b.xml" "class 0 0 Alpha|-|-" "class 1 1 Other|-|-"
# Zoom changed nothing of the document: the same classes, the same file as
# one saved at 100 %.
lx_key ctrl+0
lx_save c.xml
cmp -s "$WORK/b.xml" "$WORK/c.xml" || fail "the document saved at 50 % differs from the one at 100 %"
pass

#!/usr/bin/env bash
# lattrix-export against its peers on the same generated diagram: dot -Tpng
# with orthogonal edges (-Gsplines=ortho, the nearest to Lattrix's routes)
# and with its default splines, given the same classes (record nodes with
# name, attribute and operation lines) and edges; and Dia, when installed,
# given the very boxes, texts and routes Lattrix laid out (Dia lays out
# nothing itself; bench/svg_to_dia.py converts the SVG export). Each program
# runs RUNS times (default 5); the medians of their CPU time (user + system)
# and wall time are printed with lattrix-export's share of each peer's.
set -euo pipefail
build=${1:?usage: bench/peer_compare.sh BUILD_DIR [N]}
n=${2:-200}
runs=${RUNS:-5}
here=$(cd "$(dirname "$0")" && pwd)
gen="$build/lattrix-gen-diagram"
export_tool="$build/lattrix-export"
for prog in "$gen" "$export_tool"; do
    [ -x "$prog" ] || { echo "missing $prog (build the 'benchmarks' target)" >&2; exit 1; }
done
if ! command -v dot >/dev/null; then
    echo "dot not found: install graphviz (make setup) for the side-by-side run" >&2
    exit 1
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$gen" "$n" "$dir/diagram.xml"
"$gen" --dot "$n" "$dir/diagram.dot"
dia_cmd=""
if command -v dia >/dev/null; then
    G_MESSAGES_DEBUG= "$export_tool" "$dir/diagram.xml" "$dir/diagram.svg"
    python3 "$here/svg_to_dia.py" "$dir/diagram.svg" "$dir/diagram.dia"
    dia_cmd="dia -n -e $dir/dia.png $dir/diagram.dia"
fi

python3 - "$runs" "$n" "$dir" "$export_tool" "$dia_cmd" <<'PY'
import os, statistics, subprocess, sys, time

runs, n, d, tool, dia = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5]
env = dict(os.environ, G_MESSAGES_DEBUG="")

def measure(argv):
    cpus, walls = [], []
    for _ in range(runs):
        t0 = time.monotonic()
        p = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(p.pid, 0)
        walls.append(time.monotonic() - t0)
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit(f"failed: {' '.join(argv)}")
        cpus.append(usage.ru_utime + usage.ru_stime)
    return statistics.median(cpus), statistics.median(walls)

rows = [("lattrix-export", measure([tool, f"{d}/diagram.xml", f"{d}/lattrix.png"]))]
rows.append(("dot -Tpng -Gsplines=ortho",
             measure(["dot", "-Gsplines=ortho", "-Tpng", f"{d}/diagram.dot", "-o", f"{d}/ortho.png"])))
rows.append(("dot -Tpng", measure(["dot", "-Tpng", f"{d}/diagram.dot", "-o", f"{d}/dot.png"])))
if dia:
    rows.append(("dia -n -e out.png", measure(dia.split())))
else:
    print("(dia not installed: apt-get install dia to time it too)")
lx = rows[0][1]
print(f"PNG of the {n}-class diagram, median of {runs} runs      cpu        wall   lattrix/peer (cpu, wall)")
for name, (cpu, wall) in rows:
    ratio = "" if name == "lattrix-export" else f"   {lx[0] / cpu:5.2f}  {lx[1] / wall:5.2f}"
    print(f"  {name:<42} {cpu * 1000:7.0f} ms {wall * 1000:7.0f} ms{ratio}")
PY

# Bends per edge and crossings between edges as dot draws them with
# orthogonal edges, beside the quality report's figures for Lattrix; where
# dot does not finish within a minute the size is skipped. dot places the
# boxes itself, to suit its edges; so graphviz also routes its orthogonal
# edges between the very boxes Lattrix laid out (neato -n2 keeps given
# positions), which compares the routing alone.
count_py=$(cat <<'PY'
import re, sys
svg = open(sys.argv[1]).read()
edges = []
for g in re.findall(r'<g id="edge\d+" class="edge">(.*?)</g>', svg, re.S):
    m = re.search(r'<path[^>]* d="([^"]+)"', g)
    if not m:
        continue
    nums = [float(x) for x in re.findall(r'-?\d+(?:\.\d+)?', m.group(1))]
    pts = list(zip(nums[0::2], nums[1::2]))
    # Straight pieces: runs of points along one axis.
    pieces = []
    for a, b in zip(pts, pts[1:]):
        if abs(a[0] - b[0]) < 0.5 and abs(a[1] - b[1]) < 0.5:
            continue
        v = abs(a[0] - b[0]) < 0.5
        if pieces and pieces[-1][0] == v and abs(pieces[-1][1] - (a[0] if v else a[1])) < 0.5:
            p = pieces[-1]
            p[2] = min(p[2], a[1] if v else a[0], b[1] if v else b[0])
            p[3] = max(p[3], a[1] if v else a[0], b[1] if v else b[0])
        else:
            lo, hi = sorted((a[1], b[1]) if v else (a[0], b[0]))
            pieces.append([v, a[0] if v else a[1], lo, hi])
    edges.append(pieces)
bends = [max(len(p) - 1, 0) for p in edges]
cross = 0
for i, e in enumerate(edges):
    for h in e:
        if h[0]:
            continue
        for j, f in enumerate(edges):
            if i == j:
                continue
            for v in f:
                if v[0] and h[2] < v[1] < h[3] and v[2] < h[1] < v[3]:
                    cross += 1
mean = sum(bends) / len(bends) if bends else 0
print(f"  {sys.argv[2]} {sys.argv[3]}: bends mean {mean:.2f} max {max(bends or [0])}, crossings {cross}")
PY
)
# The generator's dot graph with each class pinned where Lattrix's SVG
# export draws its box, matched by the class's name.
pin_py=$(cat <<'PY'
import re, sys
svg, dot = open(sys.argv[1]).read(), open(sys.argv[2]).read()
boxes = {}
for g in re.findall(r'<g class="class"[^>]*>(.*?)</g>', svg, re.S):
    r = re.search(r'<rect x="([-\d.]+)" y="([-\d.]+)" width="([\d.]+)" height="([\d.]+)"', g)
    n = re.search(r'<text class="name"[^>]*>(?:<tspan[^>]*>)?([^<]*)<', g)
    if r and n:
        boxes[n.group(1)] = [float(v) for v in r.groups()]
def pin(m):
    x, y, w, h = boxes[m.group(2)]
    return (f'  {m.group(1)} [shape=box, label="", fixedsize=true, width={w / 72:.4f}, '
            f'height={h / 72:.4f}, pos="{x + w / 2:.1f},{-(y + h / 2):.1f}!"];')
sys.stdout.write(re.sub(r'^  (c\d+) \[label="\{([^|]*)\|.*$', pin, dot, flags=re.M))
PY
)
echo
echo "dot -Tsvg -Gsplines=ortho on the generated diagrams: bends per edge (mean, max), crossings"
for traits in "" "--hubs --hierarchies --long"; do
    for size in 50 200 1000; do
        "$gen" --dot $traits "$size" "$dir/q.dot"
        if ! timeout 60 dot -Gsplines=ortho -Tsvg "$dir/q.dot" -o "$dir/q.svg" 2>/dev/null; then
            echo "  ${traits:-plain} $size: dot did not finish within 60 s"
            continue
        fi
        python3 -c "$count_py" "$dir/q.svg" "${traits:-plain}" "$size"
    done
done
echo
echo "neato -n2 -Gsplines=ortho, the same graphs with Lattrix's own box positions"
for traits in "" "--hubs --hierarchies --long"; do
    for size in 50 200 1000; do
        "$gen" --dot $traits "$size" "$dir/q.dot"
        "$gen" $traits "$size" "$dir/q.xml"
        G_MESSAGES_DEBUG= "$export_tool" "$dir/q.xml" "$dir/lattrix.svg"
        python3 -c "$pin_py" "$dir/lattrix.svg" "$dir/q.dot" >"$dir/pinned.dot"
        if ! timeout 60 neato -n2 -Gsplines=ortho -Tsvg "$dir/pinned.dot" -o "$dir/q.svg" 2>/dev/null; then
            echo "  ${traits:-plain} $size: neato failed or did not finish within 60 s"
            continue
        fi
        python3 -c "$count_py" "$dir/q.svg" "${traits:-plain}" "$size"
    done
done

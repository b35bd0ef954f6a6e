#!/usr/bin/env bash
# lattrix-export against dot -Tpng on the same generated diagram: the same
# classes (name, attribute and operation lines as record nodes) and the
# same edges. Each program runs RUNS times (default 7); the medians of
# their CPU time (user + system) and wall time are printed.
set -euo pipefail
build=${1:?usage: bench/dot_compare.sh BUILD_DIR [N]}
n=${2:-200}
runs=${RUNS:-7}
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

python3 - "$runs" "$n" "$dir" "$export_tool" <<'PY'
import os, statistics, subprocess, sys, time

runs, n, d, tool = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
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

lx = measure([tool, f"{d}/diagram.xml", f"{d}/lattrix.png"])
dt = measure(["dot", "-Tpng", f"{d}/diagram.dot", "-o", f"{d}/dot.png"])
print(f"PNG of the {n}-class diagram, median of {runs} runs    cpu        wall")
print(f"  lattrix-export                               {lx[0]*1000:8.0f} ms {lx[1]*1000:8.0f} ms")
print(f"  dot -Tpng                                    {dt[0]*1000:8.0f} ms {dt[1]*1000:8.0f} ms")
verdict = "faster" if lx[0] < dt[0] else "NOT faster"
print(f"  lattrix-export is {verdict} than dot (cpu {lx[0]/dt[0]:.2f} x dot's)")
PY

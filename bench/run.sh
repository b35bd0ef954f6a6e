#!/usr/bin/env bash
# Runs every benchmark program built in the build directory $1 and prints
# one table: benchmark, N, median CPU time and median wall time per
# iteration, counters. Then times lattrix-export against dot and Dia on the same
# diagram (bench/peer_compare.sh).
#
# The CPU time is the figure to compare: these machines are shared, and
# other work stretches the wall time but hardly the CPU time of one thread.
# Benchmarks that time only a part of each iteration (the edits, the export
# tool's child process) report that part's CPU time as their time and its
# wall time as the counter wall_ms.
set -euo pipefail
build=${1:?usage: bench/run.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
shopt -s nullglob
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

found=0
for exe in "$build"/*_bench; do
    [ -x "$exe" ] || continue
    found=1
    name=$(basename "$exe")
    echo "running $name ..." >&2
    G_MESSAGES_DEBUG= "$exe" --benchmark_out="$out/$name.json" --benchmark_out_format=json >/dev/null
done
if [ "$found" = 0 ]; then
    echo "no *_bench programs in $build (build the 'benchmarks' target first)" >&2
    exit 1
fi

python3 - "$out"/*.json <<'PY'
import json, sys

rows = []
for path in sys.argv[1:]:
    with open(path) as f:
        data = json.load(f)
    benches = data.get("benchmarks", [])
    # Repeated benchmarks report aggregates; keep their medians only.
    medians = [b for b in benches if b.get("aggregate_name") == "median"]
    repeated = {b.get("run_name") for b in medians}
    for b in benches:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        if b.get("run_type") != "aggregate" and b.get("run_name") in repeated:
            continue
        if b.get("error_occurred"):
            rows.append((b.get("run_name", b["name"]).split("/")[0], "", "error", "", b.get("error_message", "")))
            continue
        parts = b.get("run_name", b["name"]).split("/")
        name = parts[0]
        n = parts[1] if len(parts) > 1 and parts[1].isdigit() else ""
        counters = {k: v for k, v in b.items()
                    if k not in ("name", "run_name", "run_type", "repetitions", "repetition_index",
                                 "threads", "iterations", "real_time", "cpu_time", "time_unit",
                                 "family_index", "per_family_instance_index", "aggregate_name",
                                 "aggregate_unit")
                    and isinstance(v, (int, float))}
        unit = b["time_unit"]
        if "wall_ms" in counters:
            # Manual time: the measured part's CPU time, its wall time aside.
            cpu = f"{b['real_time']:.3f} {unit}"
            wall = f"{counters.pop('wall_ms'):.3f} ms"
        else:
            cpu = f"{b['cpu_time']:.3f} {unit}"
            wall = f"{b['real_time']:.3f} {unit}"
        extra = "  ".join(f"{k}={v:.4g}" for k, v in sorted(counters.items()))
        rows.append((name, n, cpu, wall, extra))

heads = ("benchmark", "N", "median cpu", "median wall", "counters")
w = [max([len(heads[i])] + [len(r[i]) for r in rows]) for i in range(4)]
print(f"{heads[0]:<{w[0]}}  {heads[1]:>{w[1]}}  {heads[2]:>{w[2]}}  {heads[3]:>{w[3]}}  {heads[4]}")
print("-" * (sum(w) + 18))
for name, n, cpu, wall, extra in rows:
    print(f"{name:<{w[0]}}  {n:>{w[1]}}  {cpu:>{w[2]}}  {wall:>{w[3]}}  {extra}")
PY

echo
bash "$here/peer_compare.sh" "$build"

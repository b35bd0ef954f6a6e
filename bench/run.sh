#!/usr/bin/env bash
# Runs every benchmark program built in the build directory $1 and prints
# one table: benchmark, median (or single) wall and CPU time per iteration,
# counters. On a busy machine the CPU time is the steadier figure.
set -euo pipefail
build=${1:?usage: bench/run.sh BUILD_DIR}
shopt -s nullglob
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

found=0
for exe in "$build"/*_bench; do
    [ -x "$exe" ] || continue
    found=1
    name=$(basename "$exe")
    echo "running $name ..." >&2
    "$exe" --benchmark_out="$out/$name.json" --benchmark_out_format=json >/dev/null
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
        name = b.get("run_name", b["name"])
        counters = {k: v for k, v in b.items()
                    if k not in ("name", "run_name", "run_type", "repetitions", "repetition_index",
                                 "threads", "iterations", "real_time", "cpu_time", "time_unit",
                                 "family_index", "per_family_instance_index", "aggregate_name",
                                 "aggregate_unit")
                    and isinstance(v, (int, float))}
        extra = "  ".join(f"{k}={v:.4g}" for k, v in sorted(counters.items()))
        unit = b["time_unit"]
        rows.append((name, f"{b['real_time']:.3f} {unit}", f"{b['cpu_time']:.3f} {unit}", extra))

heads = ("benchmark", "median wall", "median cpu")
w = [max([len(heads[i])] + [len(r[i]) for r in rows]) for i in range(3)]
print(f"{heads[0]:<{w[0]}}  {heads[1]:>{w[1]}}  {heads[2]:>{w[2]}}  counters")
print("-" * (sum(w) + 14))
for name, wall, cpu, extra in rows:
    print(f"{name:<{w[0]}}  {wall:>{w[1]}}  {cpu:>{w[2]}}  {extra}")
PY

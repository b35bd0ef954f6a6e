// Routing cost on diagrams of N classes: building the route graph (one
// terminal at a time, and all at once as reading does), routing
// one connector per class, and the row insert that moves half the terminals.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "model/routing/router.hpp"

namespace {

struct Diagram {
    std::vector<CellPos> classes;
    std::vector<std::pair<CellPos, CellPos>> connectors;
};

// Classes fill a square, each in its own 2x2 block at a fixed pseudo-random
// corner, so columns and rows vary as in a hand-made diagram; each class
// starts one connector to another class. The same N gives the same diagram.
Diagram make_diagram(int n) {
    Diagram d;
    std::mt19937 rng(20261208);
    const int side = static_cast<int>(std::ceil(std::sqrt(n)));
    for (int i = 0; i < n; ++i) {
        d.classes.emplace_back(2 * (i % side) + static_cast<int>(rng() % 2),
                               2 * (i / side) + static_cast<int>(rng() % 2));
    }
    for (int i = 0; i < n; ++i) {
        int j = static_cast<int>(rng() % static_cast<unsigned>(n));
        if (j == i) {
            j = (i + 1) % n;
        }
        d.connectors.emplace_back(d.classes[i], d.classes[j]);
    }
    return d;
}

void build(Model::Router& r, const Diagram& d) {
    for (const CellPos& p : d.classes) {
        r.add_terminatable_node(p);
    }
}

void BM_BuildGraph(benchmark::State& state) {
    const Diagram d = make_diagram(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Model::Router r;
        build(r, d);
        benchmark::DoNotOptimize(r.get_node_count());
        state.counters["nodes"] = r.get_node_count();
    }
}

// The same graph built in one pass, as reading a document does.
void BM_BuildGraphAtOnce(benchmark::State& state) {
    const Diagram d = make_diagram(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Model::Router r;
        r.add_terminatable_nodes(d.classes);
        benchmark::DoNotOptimize(r.get_node_count());
        state.counters["nodes"] = r.get_node_count();
    }
}

void route_all(benchmark::State& state, bool full_reset) {
    const Diagram d = make_diagram(static_cast<int>(state.range(0)));
    Model::Router r;
    build(r, d);
    r.set_full_reset_search(full_reset);
    int64_t visits = 0;
    for (auto _ : state) {
        visits = 0;
        for (const auto& [a, b] : d.connectors) {
            auto route = r.new_shortest_route(a, b);
            benchmark::DoNotOptimize(route->size());
            visits += r.get_last_search_visits();
        }
    }
    state.counters["nodes"] = r.get_node_count();
    state.counters["visits/route"] = static_cast<double>(visits) / d.connectors.size();
}

void BM_RouteAll(benchmark::State& state) {
    route_all(state, false);
}

// The plain search for comparison: every route resets the whole graph and
// runs the queue dry.
void BM_RouteAllFullReset(benchmark::State& state) {
    route_all(state, true);
}

// A row inserted through the middle and removed again: every terminal below
// it leaves and re-enters the graph twice.
void BM_InsertAndRemoveRow(benchmark::State& state) {
    const Diagram d = make_diagram(static_cast<int>(state.range(0)));
    Model::Router r;
    build(r, d);
    int32_t mid = 0;
    for (const CellPos& p : d.classes) {
        mid = std::max(mid, p.v);
    }
    mid /= 2;
    for (auto _ : state) {
        r.insert_row(mid, 1);
        r.remove_row(mid, 1);
    }
    state.counters["nodes"] = r.get_node_count();
}

#define LX_ROUTE_BENCH(fn)              \
    BENCHMARK(fn)                       \
        ->Arg(50)                       \
        ->Arg(200)                      \
        ->Arg(1000)                     \
        ->Unit(benchmark::kMillisecond) \
        ->MinTime(0.2)                  \
        ->Repetitions(3)                \
        ->ReportAggregatesOnly(true)

LX_ROUTE_BENCH(BM_BuildGraph);
LX_ROUTE_BENCH(BM_BuildGraphAtOnce);
LX_ROUTE_BENCH(BM_RouteAll);
LX_ROUTE_BENCH(BM_RouteAllFullReset);
LX_ROUTE_BENCH(BM_InsertAndRemoveRow);

}  // namespace

BENCHMARK_MAIN();

// How legible the laid-out diagrams are: the generated diagrams of N classes,
// plain and with the traits of real diagrams (hubs, hierarchies, long
// connectors), and the example documents. The time is that of a load; the
// counters are the measures of bench/quality.hpp, which should read 0 for
// box crossings, close and coincident pairs and decoration overlaps.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include <glibmm/init.h>

#include "bench_support.hpp"
#include "model/routing/related_segments.hpp"
#include "model/routing/segment_layouter.hpp"
#include "quality.hpp"

namespace {

void report(benchmark::State& state, Model::Workspace& ws) {
    const Bench::Quality q = Bench::measure_quality(ws);
    state.counters["connectors"] = q.connectors;
    state.counters["box_crossings"] = q.box_crossings;
    state.counters["close_pairs"] = q.close_pairs;
    state.counters["coincident"] = q.coincident_pairs;
    state.counters["deco_overlaps"] = q.decoration_overlaps;
    state.counters["deco_too_long"] = q.decorations_too_long;
    state.counters["bends_mean"] = q.bends_mean;
    state.counters["bends_max"] = q.bends_max;
    state.counters["bends_least"] = q.bends_least_mean;
    state.counters["bends_least_beside"] = q.bends_least_beside_mean;
    state.counters["crossings"] = q.crossings;
    state.counters["area_mpx"] = q.area_mpx;
    if (q.labels > 0) {
        state.counters["labels"] = q.labels;
        state.counters["label_overlaps"] = q.label_overlaps;
        state.counters["label_line_crossings"] = q.label_line_crossings;
    }
    // The most iterations any group's spreading took: every group laid out
    // once more, which lands on the same positions.
    int most = 0;
    auto& layouter = *ws.get_seg_layouter();
    for (Model::Segment* s : layouter.get_segments()) {
        auto group = layouter.new_related_segments(*s);
        group->layout();
        most = std::max(most, group->get_last_sim_iterations());
    }
    state.counters["sim_iter_max"] = most;
}

// Loads the document each iteration, as a user opens it, and reports the
// measures of the last load.
void load_and_report(benchmark::State& state, const std::string& path) {
    Model::Workspace ws;
    for (auto _ : state) {
        if (!ws.load(path)) {
            state.SkipWithError("load failed");
            return;
        }
    }
    report(state, ws);
}

void BM_Quality(benchmark::State& state, Bench::GenTraits traits) {
    const int n = static_cast<int>(state.range(0));
    std::string name = "quality";
    name += traits.hubs ? "-hubs" : "";
    name += traits.hierarchies ? "-hier" : "";
    name += traits.long_links ? "-long" : "";
    name += traits.labels ? "-labels" : "";
    const std::string path =
        Bench::temp_dir().path() + "/" + name + "-" + std::to_string(n) + ".xml";
    Bench::write_file(
        path, Bench::to_document_xml(Bench::generate_diagram(n, Bench::DEFAULT_SEED, traits),
                                     traits.labels));
    load_and_report(state, path);
}

void BM_QualityExample(benchmark::State& state, std::string path) {
    load_and_report(state, path);
}

}  // namespace

int main(int argc, char** argv) {
    Glib::init();
    const struct {
        const char* name;
        Bench::GenTraits traits;
    } kinds[] = {{"BM_Quality", {}},
                 {"BM_QualityHubs", {true, false, false}},
                 {"BM_QualityHierarchies", {false, true, false}},
                 {"BM_QualityLong", {false, false, true}},
                 {"BM_QualityAllTraits", {true, true, true}},
                 {"BM_QualityLabels", {false, false, false, true}},
                 {"BM_QualityAllTraitsLabels", {true, true, true, true}}};
    for (const auto& kind : kinds) {
        for (int n : Bench::SIZES) {
            benchmark::RegisterBenchmark(kind.name, BM_Quality, kind.traits)
                ->Arg(n)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
        }
    }
    const std::filesystem::path examples = std::filesystem::path(LATTRIX_SOURCE_DIR) / "examples";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(examples, ec)) {
        if (entry.path().extension() == ".xml") {
            benchmark::RegisterBenchmark(
                ("BM_QualityExample_" + entry.path().stem().string()).c_str(), BM_QualityExample,
                entry.path().string())
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
        }
    }
    return Bench::run_benchmarks(argc, argv);
}

// The document operations on generated diagrams of N classes: load (read,
// route, lay out), save, every single edit as the editor's actions make it,
// and the undo and redo of each; and, in a fresh process, the peak memory
// of a loaded diagram.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <glibmm/init.h>

#include "bench_support.hpp"
#include "ctrl/action.hpp"
#include "ctrl/actions.hpp"
#include "model/class_element.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/recovery_store.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using WorkspacePtr = std::shared_ptr<Model::Workspace>;

WorkspacePtr load_workspace(int n, bool labels) {
    auto ws = std::make_shared<Model::Workspace>();
    if (!ws->load(Bench::document_path(n, labels))) {
        return nullptr;
    }
    return ws;
}

// One loaded workspace per size, shared by the edit benchmarks; every edit
// benchmark leaves it as it found it.
WorkspacePtr shared_workspace(int n, bool labels = false) {
    static std::map<std::pair<int, bool>, WorkspacePtr> cache;
    auto& ws = cache[{n, labels}];
    if (!ws) {
        ws = load_workspace(n, labels);
    }
    return ws;
}

void BM_Load(benchmark::State& state, bool labels) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = Bench::document_path(n, labels);
    for (auto _ : state) {
        auto ws = std::make_shared<Model::Workspace>();
        if (!ws->load(path)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(ws.get());
    }
}

void BM_Save(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto ws = shared_workspace(n);
    const std::string out = Bench::temp_dir().path() + "/saved-" + std::to_string(n) + ".xml";
    for (auto _ : state) {
        if (!ws->save(out)) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

// What the main loop spends on a recovery copy: the document taken into
// memory. The file itself is written on another thread.
void BM_RecoveryCopy(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto ws = shared_workspace(n);
    for (auto _ : state) {
        auto copy = Model::RecoveryStore::encode(*ws, "/some/doc.xml", 1);
        if (copy.empty()) {
            state.SkipWithError("encode failed");
            break;
        }
        benchmark::DoNotOptimize(copy.data());
    }
}

// ---- single edits --------------------------------------------------------------

struct Places {
    CellPos middle;   // a class
    CellPos empty;    // a free lattice place near it
    CellPos partner;  // a nearby class not joined to middle yet
};

Places places_of(int n) {
    const Bench::GenDiagram& d = Bench::diagram(n);
    const Bench::GenClass& mid = Bench::middle_class(d);
    Places p;
    p.middle = CellPos(mid.h, mid.v);
    std::set<std::pair<int32_t, int32_t>> used;
    for (const auto& c : d.classes) {
        used.insert({c.h, c.v});
    }
    p.empty = CellPos(mid.h + 1, mid.v);
    for (int r = 1; r < 50 && p.empty.h == mid.h + 1; ++r) {
        for (int dv = -r; dv <= r && p.empty.h == mid.h + 1; ++dv) {
            for (int dh = -r; dh <= r; ++dh) {
                const int32_t h = mid.h + 2 * dh;
                const int32_t v = mid.v + 2 * dv;
                if (h >= 0 && v >= 0 && used.count({h, v}) == 0) {
                    p.empty = CellPos(h, v);
                    break;
                }
            }
        }
    }
    std::set<std::pair<int32_t, int32_t>> joined;
    for (const auto& con : d.connectors) {
        const auto& a = d.classes[con.from];
        const auto& b = d.classes[con.to];
        if (a.h == mid.h && a.v == mid.v) {
            joined.insert({b.h, b.v});
        } else if (b.h == mid.h && b.v == mid.v) {
            joined.insert({a.h, a.v});
        }
    }
    p.partner = p.middle;
    int best = 1 << 30;
    for (const auto& c : d.classes) {
        const int dist = std::abs(c.h - mid.h) + std::abs(c.v - mid.v);
        if (dist > 0 && dist < best && joined.count({c.h, c.v}) == 0) {
            best = dist;
            p.partner = CellPos(c.h, c.v);
        }
    }
    return p;
}

// A fragment of the smallest square from the top-left corner holding at
// least 100 classes, and an empty place right of the diagram for it; made
// once per workspace.
const std::pair<std::string, CellPos>& fragment_of_100(const WorkspacePtr& ws) {
    static std::map<Model::Workspace*, std::pair<std::string, CellPos>> cache;
    auto& entry = cache[ws.get()];
    if (entry.first.empty()) {
        int32_t right = 0;
        ws->get_element_cells()->foreach ([&right](int32_t h, int32_t, const auto&) {
            right = std::max(right, h);
            return true;
        });
        int32_t side = 1;
        for (;; ++side) {
            int count = 0;
            ws->get_element_cells()->foreach_range(
                CellRange(CellPos(0, 0), CellPos(side - 1, side - 1)),
                [&count](int32_t, int32_t, const auto&) {
                    ++count;
                    return true;
                });
            if (count >= 100 || side > right + 1) {
                break;
            }
        }
        entry.first = ws->copy_fragment(CellRange(CellPos(0, 0), CellPos(side - 1, side - 1)));
        entry.second = CellPos(right + 2, 0);
    }
    return entry;
}

// Makes one edit as an undoable action, or null when the edit was refused.
using EditFn = std::function<std::unique_ptr<Ctrl::Action>(const WorkspacePtr&, const Places&)>;

template <typename A>
std::unique_ptr<Ctrl::Action> run(std::unique_ptr<A> action) {
    return action->execute() ? std::move(action) : nullptr;
}

const std::vector<std::pair<const char*, EditFn>>& edits() {
    static const std::vector<std::pair<const char*, EditFn>> list = {
        {"add_class",
         [](const WorkspacePtr& ws, const Places& p) {
             return run(std::make_unique<Ctrl::AddClassAction>(ws, p.empty));
         }},
        {"remove_class",
         [](const WorkspacePtr& ws, const Places& p) {
             return run(std::make_unique<Ctrl::RemoveClassAction>(ws, p.middle));
         }},
        {"insert_row",
         [](const WorkspacePtr& ws, const Places& p) {
             return run(std::make_unique<Ctrl::InsertLineAction>(ws, CellDir::V, p.middle.v));
         }},
        {"remove_row",
         [](const WorkspacePtr& ws, const Places& p) {
             return run(std::make_unique<Ctrl::RemoveLineAction>(ws, CellDir::V, p.middle.v));
         }},
        {"insert_column",
         [](const WorkspacePtr& ws, const Places& p) {
             return run(std::make_unique<Ctrl::InsertLineAction>(ws, CellDir::H, p.middle.h));
         }},
        {"remove_column",
         [](const WorkspacePtr& ws, const Places& p) {
             return run(std::make_unique<Ctrl::RemoveLineAction>(ws, CellDir::H, p.middle.h));
         }},
        // Drawing a connector: start at a class, point at the other, fix.
        {"fix_connector",
         [](const WorkspacePtr& ws, const Places& p) -> std::unique_ptr<Ctrl::Action> {
             if (!ws->new_floating_connector(p.middle, "association") ||
                 !ws->update_floating_connector(p.partner)) {
                 ws->rm_floating_connector();
                 return nullptr;
             }
             auto action = std::make_unique<Ctrl::FixFloatingConnector>(ws);
             if (!action->execute()) {
                 ws->rm_floating_connector();
                 return nullptr;
             }
             return action;
         }},
        // Renaming a class: new text, then the row and column re-laid out.
        {"change_text",
         [](const WorkspacePtr& ws, const Places& p) -> std::unique_ptr<Ctrl::Action> {
             auto klass = std::dynamic_pointer_cast<Model::ClassElement>(
                 ws->get_element_cells()->get(p.middle.h, p.middle.v));
             if (!klass) {
                 return nullptr;
             }
             auto action = std::make_unique<Ctrl::UpdateTextElementInACellAction>(ws, p.middle);
             action->set_update(klass->name_elem, klass->name_elem->get_text() + "Renamed");
             return run(std::move(action));
         }},
        // One class one cell to the right (swapping with a class there).
        {"move_class",
         [](const WorkspacePtr& ws, const Places& p) {
             return run(std::make_unique<Ctrl::MoveClassAction>(ws, p.middle, MovingDir::RIGHT));
         }},
        // The classes of the 10 x 10 cells around the middle, one cell down.
        {"move_range_10x10",
         [](const WorkspacePtr& ws, const Places& p) {
             const CellPos top_left(std::max(0, p.middle.h - 4), std::max(0, p.middle.v - 4));
             const CellRange range(top_left, CellPos(top_left.h + 9, top_left.v + 9));
             return run(std::make_unique<Ctrl::MoveCellRangeAction>(ws, range, CellPos(0, 1)));
         }},
        // The name of the middle class's first connector (by uid) changed.
        {"set_label",
         [](const WorkspacePtr& ws, const Places& p) -> std::unique_ptr<Ctrl::Action> {
             std::shared_ptr<Model::AbstractConnectorElement> con;
             ws->get_connector_set()->foreach_ordered([&](const auto& c) {
                 con = c->start_pos == p.middle || c->end_pos == p.middle ? c : nullptr;
                 return con == nullptr;
             });
             if (!con) {
                 return nullptr;
             }
             return run(std::make_unique<Ctrl::SetConnectorLabelAction>(
                 ws, con, Model::ConnectorLabel::START,
                 con->get_label(Model::ConnectorLabel::START) + " parts"));
         }},
        // A copy of the first 100 classes (by cell) pasted beside the diagram.
        {"paste_100_classes",
         [](const WorkspacePtr& ws, const Places&) {
             const auto& [fragment, at] = fragment_of_100(ws);
             return run(std::make_unique<Ctrl::PasteFragmentAction>(ws, fragment, at));
         }},
    };
    return list;
}

enum class Phase { DO, UNDO, REDO };

// Wall and CPU time together: the machines these run on are shared, and the
// CPU time of the one thread is the figure other work disturbs least.
struct Stamp {
    Clock::time_point wall;
    double cpu;
    static Stamp now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return Stamp{Clock::now(), static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9};
    }
};

// Each iteration makes the edit, undoes it, redoes it and undoes it again,
// and counts only the phase measured (its CPU time as the benchmark's time,
// its wall time as the counter wall_ms), so the diagram is the same for
// every iteration. A change of the class or connector count after the round
// is an error: the figures would be of some other diagram.
void BM_Edit(benchmark::State& state, const EditFn& edit, Phase phase, bool labels) {
    const int n = static_cast<int>(state.range(0));
    auto ws = shared_workspace(n, labels);
    if (!ws) {
        state.SkipWithError("load failed");
        return;
    }
    const Places places = places_of(n);
    const int classes = ws->get_element_cells()->count();
    const int connectors = ws->get_connector_set()->size();
    double wall_total = 0;
    for (auto _ : state) {
        const Stamp t0 = Stamp::now();
        auto action = edit(ws, places);
        const Stamp t1 = Stamp::now();
        if (!action) {
            state.SkipWithError("edit refused");
            break;
        }
        action->undo();
        const Stamp t2 = Stamp::now();
        action->redo();
        const Stamp t3 = Stamp::now();
        action->undo();
        const Stamp& a = phase == Phase::DO ? t0 : phase == Phase::UNDO ? t1 : t2;
        const Stamp& b = phase == Phase::DO ? t1 : phase == Phase::UNDO ? t2 : t3;
        state.SetIterationTime(b.cpu - a.cpu);
        wall_total += std::chrono::duration<double, std::milli>(b.wall - a.wall).count();
        if (ws->get_element_cells()->count() != classes ||
            ws->get_connector_set()->size() != connectors) {
            state.SkipWithError("undo did not restore the diagram");
            break;
        }
    }
    if (state.iterations() > 0) {
        state.counters["wall_ms"] = wall_total / static_cast<double>(state.iterations());
    }
}

// ---- peak memory ---------------------------------------------------------------

long vm_hwm_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Runs this program again to load one document (or none) and report its
// peak resident size, so nothing else this process did counts.
long child_peak_kib(const std::string& path) {
    const std::string cmd =
        "'" + Bench::sibling_program("workspace_bench") + "' --peak-memory-of '" + path + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) {
        return -1;
    }
    long kib = -1;
    if (std::fscanf(p, "%ld", &kib) != 1) {
        kib = -1;
    }
    return pclose(p) == 0 ? kib : -1;
}

void BM_PeakMemoryAfterLoad(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = Bench::document_path(n);
    long peak = -1;
    long base = -1;
    for (auto _ : state) {
        peak = child_peak_kib(path);
        base = child_peak_kib("");
    }
    if (peak < 0 || base < 0) {
        state.SkipWithError("the measuring process failed");
        return;
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
    state.counters["empty_MiB"] = static_cast<double>(base) / 1024.0;
}

int peak_memory_child(const char* path) {
    Glib::init();
    auto ws = std::make_shared<Model::Workspace>();
    if (path[0] != '\0' && !ws->load(path)) {
        return 2;
    }
    std::printf("%ld\n", vm_hwm_kib());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory-of") == 0) {
        return peak_memory_child(argv[2]);
    }
    Glib::init();
    Bench::register_sized(
        "load", [](benchmark::State& s) { BM_Load(s, false); }, 0.2);
    // The largest diagram again with a name and end labels on every
    // connector: the same budgets hold.
    Bench::register_at(
        "load.labels", [](benchmark::State& s) { BM_Load(s, true); }, 1000, 0.2);
    Bench::register_sized("save", BM_Save, 0.2);
    Bench::register_sized("recovery copy", BM_RecoveryCopy, 0.2);
    for (const auto& [name, fn] : edits()) {
        for (auto [phase, label] : {std::pair{Phase::DO, "edit"}, std::pair{Phase::UNDO, "undo"},
                                    std::pair{Phase::REDO, "redo"}}) {
            const EditFn edit = fn;
            const Phase ph = phase;
            // A fixed number of rounds: the time limit would count only the
            // measured phase and run the other three phases far too often.
            for (int n : Bench::SIZES) {
                benchmark::RegisterBenchmark(
                    (std::string(label) + "." + name).c_str(),
                    [edit, ph](benchmark::State& state) { BM_Edit(state, edit, ph, false); })
                    ->Arg(n)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(n <= 50    ? 40
                                 : n <= 200 ? 20
                                            : 5)
                    ->Repetitions(5)
                    ->ReportAggregatesOnly(true);
            }
        }
    }
    for (const auto& [name, fn] : edits()) {
        const EditFn edit = fn;
        benchmark::RegisterBenchmark(
            (std::string("edit.") + name + ".labels").c_str(),
            [edit](benchmark::State& state) { BM_Edit(state, edit, Phase::DO, true); })
            ->Arg(1000)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    benchmark::RegisterBenchmark("peak_memory_after_load", BM_PeakMemoryAfterLoad)
        ->Arg(1000)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    return Bench::run_benchmarks(argc, argv);
}

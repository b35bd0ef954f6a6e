// Segment layout on routed diagrams of N classes: every group laid out once,
// with the line index and with the plain scan of the whole segment set that
// the index replaces. The diagrams are those of the routing benchmark.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "model/connector_element.hpp"
#include "model/element.hpp"
#include "model/element_context.hpp"
#include "model/grid.hpp"
#include "model/routing/route.hpp"
#include "model/routing/router.hpp"
#include "model/routing/segment.hpp"
#include "model/routing/segment_layouter.hpp"

namespace {

class Box : public Model::Element {
  public:
    Box(std::shared_ptr<Model::ElementContext> ctx, const Rectangle& rect)
        : Model::Element(std::move(ctx)), m_rect(rect) {}
    Rectangle get_rect() const override { return m_rect; }
    void layout(const Rectangle&) override {}

    Rectangle m_rect;
};

// Classes fill a square, each in its own 2x2 block at a pseudo-random
// corner; each class starts one connector to another class. Boxes have
// random sizes, lines are sized to their largest box plus a margin and the
// boxes are centred, as the workspace would do.
struct Diagram {
    std::shared_ptr<Model::ElementContext> ctx = Model::ElementContext::create();
    std::shared_ptr<Model::Grid> grid = std::make_shared<Model::Grid>();
    std::vector<std::shared_ptr<Model::AbstractConnectorElement>> connectors;
    std::unique_ptr<Model::SegmentLayouter> layouter;
    size_t segment_count = 0;

    explicit Diagram(int n) {
        std::mt19937 rng(20261208);
        const int side = static_cast<int>(std::ceil(std::sqrt(n)));
        std::vector<CellPos> cells;
        std::vector<std::shared_ptr<Box>> boxes;
        std::map<int32_t, double> widths;
        std::map<int32_t, double> heights;
        for (int i = 0; i < n; ++i) {
            const CellPos pos(2 * (i % side) + static_cast<int>(rng() % 2),
                              2 * (i / side) + static_cast<int>(rng() % 2));
            const double w = 60 + static_cast<double>(rng() % 80);
            const double h = 40 + static_cast<double>(rng() % 80);
            cells.push_back(pos);
            boxes.push_back(std::make_shared<Box>(ctx, Rectangle(0, 0, w, h)));
            widths[pos.h] = std::max(widths[pos.h], w + 20);
            heights[pos.v] = std::max(heights[pos.v], h + 20);
        }
        for (const auto& [h, w] : widths) {
            grid->get(CellDir::H).set_size(h, w);
        }
        for (const auto& [v, h] : heights) {
            grid->get(CellDir::V).set_size(v, h);
        }
        Model::Router router;
        for (int i = 0; i < n; ++i) {
            const Rectangle cell = grid->get_size(cells[i].h, cells[i].v);
            Rectangle& r = boxes[i]->m_rect;
            r.x = (cell.width - r.width) / 2;
            r.y = (cell.height - r.height) / 2;
            router.add_terminatable_node(cells[i]);
        }
        layouter = std::make_unique<Model::SegmentLayouter>(grid);
        for (int i = 0; i < n; ++i) {
            int j = static_cast<int>(rng() % static_cast<unsigned>(n));
            if (j == i) {
                j = (i + 1) % n;
            }
            auto con = Model::new_connector_element("aggregation", ctx);
            con->start_elem = boxes[i];
            con->end_elem = boxes[j];
            con->update_route(*router.new_shortest_route(cells[i], cells[j]));
            for (const auto& s : con->get_segments()) {
                layouter->add(s);
                segment_count++;
            }
            connectors.push_back(con);
        }
    }

    void layout_all() {
        for (const auto& con : connectors) {
            con->set_is_laid_out(false);
        }
        layouter->layout_not_laid_out_segs();
    }
};

void run(benchmark::State& state, bool use_index) {
    Diagram d(static_cast<int>(state.range(0)));
    d.layouter->set_use_line_index(use_index);
    for (auto _ : state) {
        d.layout_all();
        benchmark::ClobberMemory();
    }
    state.counters["segments"] = static_cast<double>(d.segment_count);
}

void BM_LayoutAllGroups(benchmark::State& state) {
    run(state, true);
}

// The plain scan: every group build walks the whole segment set per pass.
void BM_LayoutAllGroupsPlainScan(benchmark::State& state) {
    run(state, false);
}

#define LX_LAYOUT_BENCH(fn)             \
    BENCHMARK(fn)                       \
        ->Arg(50)                       \
        ->Arg(200)                      \
        ->Arg(1000)                     \
        ->Unit(benchmark::kMillisecond) \
        ->MinTime(0.2)                  \
        ->Repetitions(3)                \
        ->ReportAggregatesOnly(true)

LX_LAYOUT_BENCH(BM_LayoutAllGroups);
LX_LAYOUT_BENCH(BM_LayoutAllGroupsPlainScan);

}  // namespace

BENCHMARK_MAIN();

#include "render/connector_labels.hpp"

#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/routing/segment.hpp"
#include "model/workspace.hpp"
#include "model/workspace_test_util.hpp"
#include "render/color_map.hpp"
#include "render/svg_writer.hpp"

namespace {

using Model::ConnectorLabel;

double distance(const Rectangle& r, const Point& p) {
    const double dx = std::max({r.x - p.x, 0.0, p.x - (r.x + r.width)});
    const double dy = std::max({r.y - p.y, 0.0, p.y - (r.y + r.height)});
    return std::hypot(dx, dy);
}

// Random diagrams, classes two empty lines apart, with a multiplicity at
// every end and a name on every connector: no label covers a box, another
// label or a decoration; each end label lies
// near where its line meets its class, each name near its longest segment;
// placing again gives the same spots; the SVG carries each label as text
// in its connector's group. After random edits, labels placed by a placer
// kept from edit to edit lie where a placement from scratch puts them.
TEST(ConnectorLabelsTest, LabelsKeepClearOfBoxesLabelsAndDecorationsAndStayNearTheirPlace) {
    const char* kinds[] = {"association", "dependency",     "aggregation",
                           "composition", "generalization", "realization"};
    const std::string texts[] = {"1", "0..*", "1..*", "0..1", "*", "uses"};
    size_t labels = 0;
    size_t overlaps = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto ws = std::make_shared<Model::Workspace>();
        std::vector<CellPos> cells;
        for (int v = 0; v < 10; v += 3) {
            for (int h = 0; h < 10; h += 3) {
                if (rng() % 4 != 0 && ws->add_class(CellPos(h, v))) {
                    cells.emplace_back(h, v);
                }
            }
        }
        for (int i = 0; i < 10 && cells.size() > 1; ++i) {
            const CellPos a = cells[rng() % cells.size()];
            const CellPos b = cells[rng() % cells.size()];
            auto con = lattrix_test::connect(*ws, a, b, kinds[rng() % 6]);
            if (!con) {
                continue;
            }
            con->set_label(ConnectorLabel::START, texts[rng() % 6]);
            con->set_label(ConnectorLabel::END, texts[rng() % 6]);
            con->set_label(ConnectorLabel::NAME, texts[rng() % 6]);
        }
        const View::PlacedLabels placed = View::place_connector_labels(*ws);
        overlaps += View::count_label_overlaps(*ws, placed);
        const Model::Grid& grid = *ws->get_grid();
        std::vector<Rectangle> all;
        size_t expected = 0;
        for (const auto& con : *ws->get_connector_set()) {
            expected += con->get_segments().empty() ? 0 : 3;
        }
        for (const auto& [con, labels] : placed) {
            const auto& segs = con->get_segments();
            ASSERT_FALSE(segs.empty());
            auto at = [&](const CellPos& cell, const Point& p) {
                Point o = grid.get_top_left_point(cell);
                return Point(o.x + p.x, o.y + p.y);
            };
            for (const auto& label : labels) {
                EXPECT_EQ(label.text, con->get_label(label.which));
                all.push_back(label.box);
                // Out along the line by no more than the few labels that
                // share its class side.
                const double reach = 200;
                if (label.which == ConnectorLabel::START) {
                    EXPECT_LT(
                        distance(label.box, at(segs.front()->start, segs.front()->start_point)),
                        reach);
                } else if (label.which == ConnectorLabel::END) {
                    EXPECT_LT(distance(label.box, at(segs.back()->end, segs.back()->end_point)),
                              reach);
                }
            }
        }
        EXPECT_EQ(all.size(), expected);
        EXPECT_EQ(View::place_connector_labels(*ws).size(), placed.size());
        for (const auto& [con, labels] : View::place_connector_labels(*ws)) {
            for (size_t i = 0; i < labels.size(); ++i) {
                EXPECT_EQ(labels[i].box, placed.at(con)[i].box);
            }
        }

        Rectangle area(0, 0, 0, 0);
        area.width = grid.get(CellDir::H).get(11);
        area.height = grid.get(CellDir::V).get(11);
        View::SvgWriter writer(ws, area, View::ColorMap::new_for_export());
        std::string svg;
        std::string error;
        ASSERT_TRUE(writer.write(svg, error)) << error;
        size_t texts_in_groups = 0;
        for (size_t at = svg.find("<g class=\"connector "); at != std::string::npos;
             at = svg.find("<g class=\"connector ", at + 1)) {
            const size_t close = svg.find("</g>", at);
            for (size_t t = svg.find("<text class=\"label ", at); t < close;
                 t = svg.find("<text class=\"label ", t + 1)) {
                ++texts_in_groups;
            }
        }
        EXPECT_EQ(texts_in_groups, expected);
        labels += expected;

        // Random edits of these crowded labels, where a label that moves
        // moves others: the placement kept from edit to edit is the one
        // from scratch.
        View::LabelPlacer placer;
        placer.place(*ws);
        for (int edit = 0; edit < 60; ++edit) {
            std::vector<std::shared_ptr<Model::AbstractConnectorElement>> cons(
                ws->get_connector_set()->begin(), ws->get_connector_set()->end());
            std::sort(cons.begin(), cons.end(),
                      [](const auto& a, const auto& b) { return a->get_uid() < b->get_uid(); });
            if (cons.empty()) {
                break;
            }
            auto con = cons[rng() % cons.size()];
            if (const unsigned op = rng() % 6; op == 0) {
                ws->remove_connector(con);
            } else if (op == 1) {
                ws->add_class(CellPos(rng() % 11, rng() % 11));
            } else {
                const std::string text = std::string(op == 2 ? 0 : 1 + rng() % 20, 'm');
                con->set_label(static_cast<ConnectorLabel>(rng() % 3), text);
            }
            const View::PlacedLabels& kept = placer.place(*ws);
            const View::PlacedLabels scratch = View::place_connector_labels(*ws);
            ASSERT_EQ(kept.size(), scratch.size()) << "edit " << edit;
            for (const auto& [c, list] : scratch) {
                ASSERT_EQ(kept.count(c), 1u) << "edit " << edit;
                ASSERT_EQ(kept.at(c).size(), list.size()) << "edit " << edit;
                for (size_t i = 0; i < list.size(); ++i) {
                    EXPECT_EQ(kept.at(c)[i].box, list[i].box) << "edit " << edit;
                    EXPECT_EQ(kept.at(c)[i].text, list[i].text) << "edit " << edit;
                }
            }
        }
    }
    EXPECT_EQ(overlaps, 0u);
    EXPECT_GT(labels, 100u);
}

// A class whose short bottom side carries six wide end labels, its
// connectors fanning out along the line below it: the line grows for the
// labels in tiers, so each stays within it, none is pushed across the lines
// running along it, and none covers another.
TEST(ConnectorLabelsTest, ACrowdedSideGetsTiersOfRoomClearOfTheLinesAlongIt) {
    auto ws = std::make_shared<Model::Workspace>();
    // Neighbours on the left and the right leave the connectors only the
    // bottom side.
    for (int h : {5, 6, 7}) {
        ASSERT_TRUE(ws->add_class(CellPos(h, 0)));
    }
    for (int h : {0, 2, 4, 8, 10, 12}) {
        ASSERT_TRUE(ws->add_class(CellPos(h, 2)));
        auto con = lattrix_test::connect(*ws, CellPos(6, 0), CellPos(h, 2), "association");
        ASSERT_TRUE(con);
        ws->set_connector_label(*con, ConnectorLabel::START, "0..* owners");
    }
    const View::PlacedLabels placed = View::place_connector_labels(*ws);
    EXPECT_EQ(View::count_label_overlaps(*ws, placed), 0);
    const Model::Grid& grid = *ws->get_grid();
    const double line_end = grid.get(CellDir::V).get(1);
    size_t starts = 0;
    for (const auto& [con, labels] : placed) {
        for (const auto& label : labels) {
            starts += label.which == ConnectorLabel::START;
            EXPECT_LE(label.box.y + label.box.height, line_end) << "past the line below the class";
            for (const auto& other : *ws->get_connector_set()) {
                for (const auto& seg : other->get_segments()) {
                    const Point o1 = grid.get_top_left_point(seg->start);
                    const Point o2 = grid.get_top_left_point(seg->end);
                    const Point a(o1.x + seg->start_point.x, o1.y + seg->start_point.y);
                    const Point b(o2.x + seg->end_point.x, o2.y + seg->end_point.y);
                    if (a.y != b.y) {
                        continue;  // only the lines along the class side
                    }
                    const Rectangle& r = label.box;
                    EXPECT_FALSE(r.y < a.y && a.y < r.y + r.height &&
                                 std::min(a.x, b.x) < r.x + r.width && r.x < std::max(a.x, b.x))
                        << label.text << " at " << r.x << "," << r.y << " crosses y " << a.y;
                }
            }
        }
    }
    EXPECT_EQ(starts, 6u);
}

}  // namespace

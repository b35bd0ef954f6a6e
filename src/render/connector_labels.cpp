#include "render/connector_labels.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <pangomm/context.h>
#include <pangomm/fontdescription.h>

#include "model/connector_label_room.hpp"
#include "model/connector_terms.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/element_context.hpp"
#include "model/grid.hpp"
#include "model/pango_layout_factory.hpp"
#include "model/routing/segment.hpp"
#include "model/workspace.hpp"

namespace View {

namespace {

// How far a label keeps from the class side and from its own line; the
// latter clears the half width of an end decoration.
constexpr double OFF_CLASS = Model::LABEL_OFF_CLASS;
constexpr double OFF_LINE = 6.0;
// How far out along its line an end label is looked for, in steps.
constexpr int END_STEPS = 240;

// Only a positive area counts: labels may touch a box or each other.
bool overlaps(const Rectangle& a, const Rectangle& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

// Rectangles bucketed by a coarse grid, so a look-up sees only its
// neighbourhood.
class Buckets {
  public:
    void add(const Rectangle& r) {
        for_cells(r, [&](int64_t key) {
            m_map[key].push_back(r);
            return true;
        });
    }
    // How many stored rectangles overlap r, each counted once: in the
    // bucket that holds the top left corner of its overlap with r.
    int count(const Rectangle& r) const {
        int n = 0;
        for_cells(r, [&](int64_t key) {
            auto it = m_map.find(key);
            if (it != m_map.end()) {
                for (const Rectangle& o : it->second) {
                    n += overlaps(r, o) && key_of(std::max(r.x, o.x), std::max(r.y, o.y)) == key;
                }
            }
            return true;
        });
        return n;
    }

  private:
    static constexpr double SIZE = 128.0;
    static int64_t key_of(double x, double y) {
        const auto cx = static_cast<int64_t>(std::floor(x / SIZE));
        const auto cy = static_cast<int64_t>(std::floor(y / SIZE));
        return (cy << 32) ^ (cx & 0xffffffff);
    }
    template <class Fn>
    static void for_cells(const Rectangle& r, Fn fn) {
        const auto x0 = static_cast<int64_t>(std::floor(r.x / SIZE));
        const auto x1 = static_cast<int64_t>(std::floor((r.x + r.width) / SIZE));
        const auto y0 = static_cast<int64_t>(std::floor(r.y / SIZE));
        const auto y1 = static_cast<int64_t>(std::floor((r.y + r.height) / SIZE));
        for (int64_t y = y0; y <= y1; ++y) {
            for (int64_t x = x0; x <= x1; ++x) {
                fn((y << 32) ^ (x & 0xffffffff));
            }
        }
    }
    std::unordered_map<int64_t, std::vector<Rectangle>> m_map;
};

struct Measured {
    double width = 0.0;
    double height = 0.0;
    double baseline = 0.0;
};

Measured measure(const Model::Workspace& ws, const std::string& text) {
    const Model::LabelSize size = Model::measure_label(*ws.get_elem_context(), text);
    return Measured{size.width, size.height, size.baseline};
}

// Class boxes meeting r, found through the cells r lies over.
bool covers_box(const Model::Workspace& ws, const Rectangle& r) {
    const Model::Grid& grid = *ws.get_grid();
    const auto& hl = grid.get(CellDir::H);
    const auto& vl = grid.get(CellDir::V);
    const int32_t h0 = std::max(0, hl.get_index(r.x));
    const int32_t h1 = std::min(CellPos::MAX, hl.get_index(r.x + r.width));
    const int32_t v0 = std::max(0, vl.get_index(r.y));
    const int32_t v1 = std::min(CellPos::MAX, vl.get_index(r.y + r.height));
    for (int32_t v = v0; v <= v1; ++v) {
        for (int32_t h = h0; h <= h1; ++h) {
            if (auto elem = ws.get_element_cells()->get(h, v)) {
                const Point o = grid.get_top_left_point(CellPos(h, v));
                Rectangle box = elem->get_rect();
                box.x += o.x;
                box.y += o.y;
                if (overlaps(r, box)) {
                    return true;
                }
            }
        }
    }
    return false;
}

// A connector's route in workspace pixels, one piece per segment.
std::vector<std::pair<Point, Point>> route_lines(const Model::Grid& grid,
                                                 const Model::AbstractConnectorElement& con) {
    const auto& hl = grid.get(CellDir::H);
    const auto& vl = grid.get(CellDir::V);
    std::vector<std::pair<Point, Point>> lines;
    for (const auto& seg : con.get_segments()) {
        lines.emplace_back(Point(hl.get(seg->start.h - 1) + seg->start_point.x,
                                 vl.get(seg->start.v - 1) + seg->start_point.y),
                           Point(hl.get(seg->end.h - 1) + seg->end_point.x,
                                 vl.get(seg->end.v - 1) + seg->end_point.y));
    }
    return lines;
}

Rectangle line_box(const Point& a, const Point& b) {
    return Rectangle(std::min(a.x, b.x) - 0.5, std::min(a.y, b.y) - 0.5, std::abs(b.x - a.x) + 1.0,
                     std::abs(b.y - a.y) + 1.0);
}

// Spots for an end label: e is where the line meets the class, (dx, dy)
// the way the line leaves it. Beside the line on either side, first just
// off the class, then past the decorations and out along the line in small
// steps: the line next to the class side is wide enough for all the labels
// of that side one after another (Model::compute_label_needs).
std::vector<Rectangle> end_spots(const Point& e, double dx, double dy, const Measured& m) {
    std::vector<Rectangle> spots;
    const double w = m.width;
    const double h = m.height;
    for (int step = -1; step < END_STEPS; ++step) {
        const double along =
            step < 0 ? OFF_CLASS
                     : OFF_CLASS + Model::LABEL_DECORATION_LENGTH + step * Model::LABEL_STEP;
        if (dy != 0.0) {
            const double y = dy > 0 ? e.y + along : e.y - along - h;
            spots.emplace_back(e.x + OFF_LINE, y, w, h);
            spots.emplace_back(e.x - OFF_LINE - w, y, w, h);
        } else {
            const double x = dx > 0 ? e.x + along : e.x - along - w;
            spots.emplace_back(x, e.y - OFF_LINE - h, w, h);
            spots.emplace_back(x, e.y + OFF_LINE, w, h);
        }
    }
    return spots;
}

// Spots for the name: beside the middle of the segment a-b, then moved
// along it either way.
std::vector<Rectangle> name_spots(const Point& a, const Point& b, const Measured& m) {
    std::vector<Rectangle> spots;
    const Point mid((a.x + b.x) / 2.0, (a.y + b.y) / 2.0);
    const bool vertical = a.x == b.x;
    const double w = m.width;
    const double h = m.height;
    // Further off the line last: a name wider than the gap between two
    // boxes in a row rises above them.
    for (double off : {0.0, 1.0, 2.0, 3.0}) {
        for (double shift : {0.0, -1.0, 1.0, -2.0, 2.0}) {
            if (vertical) {
                const double y = mid.y - h / 2.0 + shift * (h + OFF_CLASS);
                const double out = OFF_LINE + off * (w / 2.0 + OFF_CLASS);
                spots.emplace_back(mid.x + out, y, w, h);
                spots.emplace_back(mid.x - out - w, y, w, h);
            } else {
                const double x = mid.x - w / 2.0 + shift * (w / 2.0 + OFF_LINE);
                const double out = OFF_LINE / 2.0 + off * (h + OFF_CLASS);
                spots.emplace_back(x, mid.y - out - h, w, h);
                spots.emplace_back(x, mid.y + out, w, h);
            }
        }
    }
    return spots;
}

void add_decorations(const Model::Grid& grid, const Model::AbstractConnectorElement& con,
                     Buckets& to) {
    const std::pair<const Model::IConnectorTerm*, CellPos> terms[2] = {
        {con.start_term.get(), con.start_pos}, {con.end_term.get(), con.end_pos}};
    for (const auto& [term, pos] : terms) {
        if (term != nullptr) {
            Rectangle r = term->get_rect();
            const Point o = grid.get_top_left_point(pos);
            r.x += o.x;
            r.y += o.y;
            to.add(r);
        }
    }
}

double sign(double v) {
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

}  // namespace

Glib::RefPtr<Pango::Layout> new_label_layout(const Model::Workspace& ws, const std::string& text) {
    auto layout = ws.get_elem_context()->get_pango_layout_factory().new_pango_layout();
    layout->set_font_description(Pango::FontDescription(LABEL_FONT));
    layout->set_text(text);
    return layout;
}

PlacedLabels place_connector_labels(const Model::Workspace& ws) {
    PlacedLabels placed;
    std::vector<std::shared_ptr<Model::AbstractConnectorElement>> labelled;
    ws.get_connector_set()->foreach_ordered(
        [&](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
            if (con->has_labels() && !con->get_segments().empty()) {
                labelled.push_back(con);
            }
            return true;
        });
    if (labelled.empty()) {
        return placed;
    }
    const Model::Grid& grid = *ws.get_grid();
    // Hard obstacles besides the boxes: labels placed so far and every end
    // decoration. Soft: the lines of every connector.
    Buckets hard;
    Buckets lines;
    ws.get_connector_set()->foreach_ordered(
        [&](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
            for (const auto& [a, b] : route_lines(grid, *con)) {
                lines.add(line_box(a, b));
            }
            if (!con->get_segments().empty()) {
                add_decorations(grid, *con, hard);
            }
            return true;
        });
    for (const auto& con : labelled) {
        const auto route = route_lines(grid, *con);
        auto& out = placed[con.get()];
        auto put = [&](Model::ConnectorLabel which, const std::vector<Rectangle>& spots,
                       const Measured& m) {
            // Own line excepted: the spots lie beside it by construction,
            // and a name on a short segment may reach past its corner.
            // Each spot costs its rank too, so a label does not wander
            // far to avoid crossing a line; once the rank alone costs
            // more than the best spot, no later spot can win.
            int best_cost = -1;
            Rectangle best;
            for (size_t i = 0; i < spots.size(); ++i) {
                const int rank = static_cast<int>(i);
                if (best_cost >= 0 && rank >= best_cost) {
                    break;
                }
                const Rectangle& r = spots[i];
                const int cost = rank + 10 * lines.count(r) + 100000 * hard.count(r) +
                                 (covers_box(ws, r) ? 1000000 : 0);
                if (best_cost < 0 || cost < best_cost) {
                    best_cost = cost;
                    best = r;
                }
            }
            hard.add(best);
            out.push_back(PlacedLabel{which, con->get_label(which), best, m.baseline});
        };
        for (auto which : {Model::ConnectorLabel::START, Model::ConnectorLabel::END}) {
            const std::string& text = con->get_label(which);
            if (text.empty()) {
                continue;
            }
            const bool at_start = which == Model::ConnectorLabel::START;
            const auto& [a, b] = at_start ? route.front() : route.back();
            const Point near = at_start ? a : b;
            const Point far = at_start ? b : a;
            // Where the line meets the class: the decoration's tip when there
            // is one, since the line stops short of closed decorations.
            const auto& term = at_start ? con->start_term : con->end_term;
            Point e = near;
            if (term) {
                e = term->get_term_point();
                e.add(grid.get_top_left_point(at_start ? con->start_pos : con->end_pos));
            }
            const Measured m = measure(ws, text);
            put(which, end_spots(e, sign(far.x - near.x), sign(far.y - near.y), m), m);
        }
        if (const std::string& text = con->get_label(Model::ConnectorLabel::NAME); !text.empty()) {
            // The longest segment first; where it has no room (a short
            // route between near boxes), the others in order of length.
            std::vector<size_t> order(route.size());
            for (size_t i = 0; i < order.size(); ++i) {
                order[i] = i;
            }
            auto length = [&](size_t i) {
                return std::abs(route[i].second.x - route[i].first.x) +
                       std::abs(route[i].second.y - route[i].first.y);
            };
            std::stable_sort(order.begin(), order.end(),
                             [&](size_t a, size_t b) { return length(a) > length(b); });
            const Measured m = measure(ws, text);
            std::vector<Rectangle> spots;
            for (size_t i : order) {
                auto more = name_spots(route[i].first, route[i].second, m);
                spots.insert(spots.end(), more.begin(), more.end());
            }
            put(Model::ConnectorLabel::NAME, spots, m);
        }
    }
    return placed;
}

size_t label_inputs_digest(const Model::Workspace& ws) {
    size_t h = 0;
    auto mix = [&h](size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    auto mix_d = [&mix](double d) { mix(std::hash<double>{}(d)); };
    auto mix_r = [&mix_d](const Rectangle& r) {
        mix_d(r.x);
        mix_d(r.y);
        mix_d(r.width);
        mix_d(r.height);
    };
    bool any = false;
    ws.get_connector_set()->foreach_ordered(
        [&](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
            any = any || con->has_labels();
            return !any;
        });
    if (!any) {
        return 0;
    }
    for (CellDir dir : {CellDir::H, CellDir::V}) {
        for (const auto& e : ws.get_grid()->get(dir).entries()) {
            mix(static_cast<size_t>(e.index));
            mix_d(e.pos);
        }
        mix(0xd1);
    }
    ws.get_element_cells()->foreach ([&](int32_t hh, int32_t v, const auto& elem) {
        mix(static_cast<size_t>(hh));
        mix(static_cast<size_t>(v));
        mix_r(elem->get_rect());
        return true;
    });
    ws.get_connector_set()->foreach_ordered(
        [&](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
            mix(reinterpret_cast<uintptr_t>(con.get()));
            for (auto which : {Model::ConnectorLabel::NAME, Model::ConnectorLabel::START,
                               Model::ConnectorLabel::END}) {
                mix(std::hash<std::string>{}(con->get_label(which)));
            }
            for (const auto& seg : con->get_segments()) {
                mix(static_cast<size_t>(seg->start.h) ^ (static_cast<size_t>(seg->start.v) << 20));
                mix(static_cast<size_t>(seg->end.h) ^ (static_cast<size_t>(seg->end.v) << 20));
                mix_d(seg->start_point.x);
                mix_d(seg->start_point.y);
                mix_d(seg->end_point.x);
                mix_d(seg->end_point.y);
            }
            for (const auto* term : {con->start_term.get(), con->end_term.get()}) {
                if (term != nullptr) {
                    mix_r(term->get_rect());
                    mix_d(term->get_term_point().x);
                    mix_d(term->get_term_point().y);
                }
            }
            mix(0xc0);
            return true;
        });
    return h | 1;
}

Rectangle area_with_labels(const Model::Workspace& ws, const Rectangle& area) {
    double x0 = area.x;
    double y0 = area.y;
    double x1 = area.x + area.width;
    double y1 = area.y + area.height;
    for (const auto& [con, list] : place_connector_labels(ws)) {
        for (const auto& l : list) {
            if (overlaps(l.box, area)) {
                x0 = std::min(x0, std::floor(l.box.x));
                y0 = std::min(y0, std::floor(l.box.y));
                x1 = std::max(x1, std::ceil(l.box.x + l.box.width));
                y1 = std::max(y1, std::ceil(l.box.y + l.box.height));
            }
        }
    }
    return Rectangle(x0, y0, x1 - x0, y1 - y0);
}

int count_label_overlaps(const Model::Workspace& ws, const PlacedLabels& labels) {
    const Model::Grid& grid = *ws.get_grid();
    Buckets decorations;
    ws.get_connector_set()->foreach_ordered(
        [&](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
            if (!con->get_segments().empty()) {
                add_decorations(grid, *con, decorations);
            }
            return true;
        });
    Buckets all;
    for (const auto& [con, list] : labels) {
        for (const auto& l : list) {
            all.add(l.box);
        }
    }
    int n = 0;
    for (const auto& [con, list] : labels) {
        for (const auto& l : list) {
            // The label itself is the one overlap with all that is allowed.
            n += covers_box(ws, l.box) || all.count(l.box) > 1 || decorations.count(l.box) > 0;
        }
    }
    return n;
}

}  // namespace View

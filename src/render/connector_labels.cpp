#include "render/connector_labels.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <tuple>

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
constexpr double OFF_LINE = Model::LABEL_OFF_LINE;
// How far out along its line an end label is looked for, in steps.
constexpr int END_STEPS = 240;

// Only a positive area counts: labels may touch a box or each other.
bool overlaps(const Rectangle& a, const Rectangle& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

// Rectangles bucketed by a grid of cells over a fixed area, in flat arrays,
// so a look-up sees only its neighbourhood: placing thousands of labels
// asks it hundreds of thousands of times. Rectangles reaching past the
// area are kept in its border cells, so nothing is lost, only slower.
// Those given to reset sit in one array; those added later (the labels
// placed so far) in a list per cell.
class Field {
  public:
    // Empties the field and covers area with it, holding fixed. The arrays
    // are kept from use to use: they are large, and fresh memory is slow.
    // Cells of size pixels square.
    void reset(const Rectangle& area, const std::vector<Rectangle>& fixed, double size) {
        m_x0 = area.x;
        m_y0 = area.y;
        m_scale = 1.0 / size;
        m_nx = cells_across(area.width / size);
        m_ny = cells_across(area.height / size);
        m_start.assign(static_cast<size_t>(m_nx) * m_ny + 1, 0);
        m_head.clear();
        m_added.clear();
        // The cells of each rectangle, worked out once for both passes.
        m_spans.resize(fixed.size());
        for (size_t i = 0; i < fixed.size(); ++i) {
            const Rectangle& r = fixed[i];
            Span& span = m_spans[i];
            span = Span{cx(r.x), cx(r.x + r.width), cy(r.y), cy(r.y + r.height)};
            for (int32_t y = span.y0; y <= span.y1; ++y) {
                for (int32_t x = span.x0; x <= span.x1; ++x) {
                    ++m_start[static_cast<size_t>(y) * m_nx + x + 1];
                }
            }
        }
        for (size_t c = 1; c < m_start.size(); ++c) {
            m_start[c] += m_start[c - 1];
        }
        m_fixed.resize(m_start.back());
        m_fill.assign(m_start.begin(), m_start.end() - 1);
        for (size_t i = 0; i < fixed.size(); ++i) {
            const Span& span = m_spans[i];
            for (int32_t y = span.y0; y <= span.y1; ++y) {
                for (int32_t x = span.x0; x <= span.x1; ++x) {
                    m_fixed[m_fill[static_cast<size_t>(y) * m_nx + x]++] = fixed[i];
                }
            }
        }
    }

    void add(const Rectangle& r) {
        if (m_head.empty()) {
            m_head.assign(m_start.size() - 1, NONE);
        }
        for_cells(r, [&](size_t c) {
            m_added.push_back(Added{r, m_head[c]});
            m_head[c] = static_cast<uint32_t>(m_added.size() - 1);
        });
    }

    // How many rectangles overlap r, each counted once: in the cell that
    // holds the top left corner of its overlap with r.
    int count(const Rectangle& r) const {
        int n = 0;
        const int32_t x0 = cx(r.x);
        const int32_t x1 = cx(r.x + r.width);
        const int32_t y0 = cy(r.y);
        const int32_t y1 = cy(r.y + r.height);
        for (int32_t y = y0; y <= y1; ++y) {
            for (int32_t x = x0; x <= x1; ++x) {
                const size_t c = static_cast<size_t>(y) * m_nx + x;
                auto tally = [&](const Rectangle& o) {
                    n += overlaps(r, o) && cx(std::max(r.x, o.x)) == x &&
                         cy(std::max(r.y, o.y)) == y;
                };
                for (uint32_t i = m_start[c]; i < m_start[c + 1]; ++i) {
                    tally(m_fixed[i]);
                }
                for (uint32_t i = m_head.empty() ? NONE : m_head[c]; i != NONE;
                     i = m_added[i].next) {
                    tally(m_added[i].r);
                }
            }
        }
        return n;
    }

    bool any(const Rectangle& r) const {
        for (int32_t y = cy(r.y), y1 = cy(r.y + r.height); y <= y1; ++y) {
            for (int32_t x = cx(r.x), x1 = cx(r.x + r.width); x <= x1; ++x) {
                const size_t c = static_cast<size_t>(y) * m_nx + x;
                for (uint32_t i = m_start[c]; i < m_start[c + 1]; ++i) {
                    if (overlaps(r, m_fixed[i])) {
                        return true;
                    }
                }
                for (uint32_t i = m_head.empty() ? NONE : m_head[c]; i != NONE;
                     i = m_added[i].next) {
                    if (overlaps(r, m_added[i].r)) {
                        return true;
                    }
                }
            }
        }
        return false;
    }

  private:
    // At most 4096 cells a side, even for an absurd or broken area.
    static int32_t cells_across(double cells) {
        return !(cells >= 1.0) ? 1 : static_cast<int32_t>(std::min(cells, 4095.0)) + 1;
    }
    // The cell of a coordinate, clamped to the area; truncation rounds
    // down where it counts, between 1 and n - 1. NaN goes to the first.
    static int32_t cell(double c, int32_t n) {
        return !(c >= 1.0) ? 0 : (c >= n - 1 ? n - 1 : static_cast<int32_t>(c));
    }
    int32_t cx(double x) const { return cell((x - m_x0) * m_scale, m_nx); }
    int32_t cy(double y) const { return cell((y - m_y0) * m_scale, m_ny); }
    template <class Fn>
    void for_cells(const Rectangle& r, Fn fn) const {
        for (int32_t y = cy(r.y), y1 = cy(r.y + r.height); y <= y1; ++y) {
            for (int32_t x = cx(r.x), x1 = cx(r.x + r.width); x <= x1; ++x) {
                fn(static_cast<size_t>(y) * m_nx + x);
            }
        }
    }
    double m_x0 = 0.0;
    double m_y0 = 0.0;
    double m_scale = 1.0 / 64.0;
    int32_t m_nx = 1;
    int32_t m_ny = 1;
    std::vector<uint32_t> m_start = {0, 0};
    std::vector<uint32_t> m_fill;
    struct Span {
        int32_t x0, x1, y0, y1;
    };
    std::vector<Span> m_spans;
    std::vector<Rectangle> m_fixed;
    // Added rectangles, a list per cell threaded through one array.
    static constexpr uint32_t NONE = 0xffffffff;
    struct Added {
        Rectangle r;
        uint32_t next;
    };
    std::vector<uint32_t> m_head;
    std::vector<Added> m_added;
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

Rectangle line_box(const Point& a, const Point& b) {
    return Rectangle(std::min(a.x, b.x) - 0.5, std::min(a.y, b.y) - 0.5, std::abs(b.x - a.x) + 1.0,
                     std::abs(b.y - a.y) + 1.0);
}

// Spots for an end label: e is where the line meets the class, (dx, dy)
// the way the line leaves it. Beside the line on either side, first just
// off the class, then past the decorations and out along the line in small
// steps: the line next to the class side is wide enough for all the labels
// of that side one after another (Model::compute_label_needs). Spot i of
// END_SPOTS; made one at a time, since most labels take one of the first.
constexpr size_t END_SPOTS = 2 * (END_STEPS + 1);
Rectangle end_spot(size_t i, const Point& e, double dx, double dy, const Measured& m) {
    const int step = static_cast<int>(i / 2) - 1;
    const bool second = i % 2 != 0;
    const double w = m.width;
    const double h = m.height;
    const double along =
        step < 0 ? OFF_CLASS
                 : OFF_CLASS + Model::LABEL_DECORATION_LENGTH + step * Model::LABEL_STEP;
    if (dy != 0.0) {
        const double y = dy > 0 ? e.y + along : e.y - along - h;
        return second ? Rectangle(e.x - OFF_LINE - w, y, w, h) : Rectangle(e.x + OFF_LINE, y, w, h);
    }
    const double x = dx > 0 ? e.x + along : e.x - along - w;
    return second ? Rectangle(x, e.y + OFF_LINE, w, h) : Rectangle(x, e.y - OFF_LINE - h, w, h);
}

// Spots for the name: beside the middle of the segment a-b, then moved
// along it either way; spot i of NAME_SPOTS.
constexpr size_t NAME_SPOTS = 4 * 5 * 2;
Rectangle name_spot(size_t i, const Point& a, const Point& b, const Measured& m) {
    constexpr double SHIFTS[] = {0.0, -1.0, 1.0, -2.0, 2.0};
    // Further off the line last: a name wider than the gap between two
    // boxes in a row rises above them.
    const auto off = static_cast<double>(i / 10);
    const double shift = SHIFTS[(i / 2) % 5];
    const bool second = i % 2 != 0;
    const Point mid((a.x + b.x) / 2.0, (a.y + b.y) / 2.0);
    const double w = m.width;
    const double h = m.height;
    if (a.x == b.x) {
        const double y = mid.y - h / 2.0 + shift * (h + OFF_CLASS);
        const double out = OFF_LINE + off * (w / 2.0 + OFF_CLASS);
        return second ? Rectangle(mid.x - out - w, y, w, h) : Rectangle(mid.x + out, y, w, h);
    }
    const double x = mid.x - w / 2.0 + shift * (w / 2.0 + OFF_LINE);
    const double out = OFF_LINE / 2.0 + off * (h + OFF_CLASS);
    return second ? Rectangle(x, mid.y + out, w, h) : Rectangle(x, mid.y - out - h, w, h);
}

void add_decorations(const Model::Grid& grid, const Model::AbstractConnectorElement& con,
                     std::vector<Rectangle>& to) {
    const std::pair<const Model::IConnectorTerm*, CellPos> terms[2] = {
        {con.start_term.get(), con.start_pos}, {con.end_term.get(), con.end_pos}};
    for (const auto& [term, pos] : terms) {
        if (term != nullptr) {
            Rectangle r = term->get_rect();
            const Point o = grid.get_top_left_point(pos);
            r.x += o.x;
            r.y += o.y;
            to.push_back(r);
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

namespace {

// Line edges by index, each looked up once: a placement asks for the same
// few hundred lines tens of thousands of times.
class Edges {
  public:
    explicit Edges(const Model::GridList& list) : m_list(list) {}
    // GridList::get.
    double get(int32_t i) {
        if (i < 0 || i > CellPos::MAX) {
            return m_list.get(i);
        }
        const auto at = static_cast<size_t>(i);
        if (at >= m_known.size()) {
            m_known.resize(at + 1, std::numeric_limits<double>::quiet_NaN());
        }
        double& pos = m_known[at];
        if (std::isnan(pos)) {
            pos = m_list.get(i);
        }
        return pos;
    }

  private:
    const Model::GridList& m_list;
    std::vector<double> m_known;
};

// By the bits of the numbers: an order even where a NaN crept in.
bool rect_less(const Rectangle& a, const Rectangle& b) {
    auto bits = [](const Rectangle& r) {
        return std::tuple(std::bit_cast<uint64_t>(r.x), std::bit_cast<uint64_t>(r.y),
                          std::bit_cast<uint64_t>(r.width), std::bit_cast<uint64_t>(r.height));
    };
    return bits(a) < bits(b);
}

Rectangle bounds(const Rectangle& a, const Rectangle& b) {
    const double x0 = std::min(a.x, b.x);
    const double y0 = std::min(a.y, b.y);
    return Rectangle(x0, y0, std::max(a.x + a.width, b.x + b.width) - x0,
                     std::max(a.y + a.height, b.y + b.height) - y0);
}

}  // namespace

PlacedLabels place_connector_labels(const Model::Workspace& ws) {
    LabelPlacer placer;
    return placer.place(ws);
}

// Cell sizes: small for what spots are tested against, larger for the long
// thin lines and for the changes, which only tell whether a label's whole
// neighbourhood stayed as it was.
constexpr double SPOT_CELL = 128.0;
constexpr double LINE_CELL = 128.0;
constexpr double CHANGED_CELL = 256.0;

struct LabelPlacer::Fields {
    // Those of the scene, while it lasts.
    bool current = false;
    Rectangle area;
    Field boxes;
    Field lines;
    Field decorations;
    // Those of one placement.
    Field changed;
    Field labels;
};

LabelPlacer::LabelPlacer() = default;
LabelPlacer::~LabelPlacer() = default;

const PlacedLabels& LabelPlacer::place(const Model::Workspace& ws) {
    const size_t digest = label_inputs_digest(ws);
    if (!m_valid || digest != m_digest) {
        place_all(ws);
        m_digest = digest;
        m_valid = true;
    }
    return m_placed;
}

void LabelPlacer::place_all(const Model::Workspace& ws) {
    const Model::Grid& grid = *ws.get_grid();
    Edges hl(grid.get(CellDir::H));
    Edges vl(grid.get(CellDir::V));
    // Every routed connector in uid order: its lines and decorations are
    // obstacles to every label, its labels are placed in this order.
    Scene now = std::move(m_spare);
    now.connectors.clear();
    now.lines.clear();
    now.line_boxes.clear();
    now.decorations.clear();
    now.boxes.clear();
    now.unique_uids = true;
    bool any_labels = false;
    ws.get_connector_set()->foreach_ordered(
        [&](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
            if (con->get_segments().empty()) {
                return true;
            }
            Connector& c = now.connectors.emplace_back();
            c.uid = con->get_uid();
            c.con = con.get();
            c.first_line = static_cast<uint32_t>(now.lines.size());
            for (const auto& seg : con->get_segments()) {
                const Point a(hl.get(seg->start.h - 1) + seg->start_point.x,
                              vl.get(seg->start.v - 1) + seg->start_point.y);
                const Point b(hl.get(seg->end.h - 1) + seg->end_point.x,
                              vl.get(seg->end.v - 1) + seg->end_point.y);
                now.lines.emplace_back(a, b);
                now.line_boxes.push_back(line_box(a, b));
            }
            c.lines = static_cast<uint32_t>(now.lines.size()) - c.first_line;
            c.first_decoration = static_cast<uint32_t>(now.decorations.size());
            // Where the line meets the class: the decoration's tip when there
            // is one, since the line stops short of closed decorations.
            c.ends[0] = now.lines[c.first_line].first;
            c.ends[1] = now.lines.back().second;
            for (int end = 0; end < 2; ++end) {
                if (const auto& term = end == 0 ? con->start_term : con->end_term) {
                    const CellPos& pos = end == 0 ? con->start_pos : con->end_pos;
                    const Point o(hl.get(pos.h - 1), vl.get(pos.v - 1));
                    Rectangle r = term->get_rect();
                    r.x += o.x;
                    r.y += o.y;
                    now.decorations.push_back(r);
                    c.ends[end] = term->get_term_point();
                    c.ends[end].add(o);
                }
            }
            c.decorations = static_cast<uint32_t>(now.decorations.size()) - c.first_decoration;
            if (con->has_labels()) {
                c.has_labels = true;
                any_labels = true;
                c.labels[0].text = con->get_label(Model::ConnectorLabel::START);
                c.labels[1].text = con->get_label(Model::ConnectorLabel::END);
                c.labels[2].text = con->get_label(Model::ConnectorLabel::NAME);
            }
            return true;
        });
    m_placed.clear();
    m_replaced = 0;
    if (!any_labels) {
        m_scene = Scene();
        m_spare = Scene();
        m_fields.reset();
        return;
    }
    ws.get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto& elem) {
        Rectangle box = elem->get_rect();
        box.x += hl.get(h - 1);
        box.y += vl.get(v - 1);
        now.boxes.push_back(box);
        return true;
    });
    std::sort(now.boxes.begin(), now.boxes.end(), rect_less);
    const Scene& was = m_scene;

    // What differs from the last placement, as rectangles: a spot meeting
    // none of them sees the same obstacles as last time. Labels placed
    // again at another spot join them as they are placed.
    std::vector<Rectangle> differ;
    // Matched by uid; uids are unique, but should a document repeat one,
    // nothing is reused rather than a match trusted.
    for (size_t i = 1; i < now.connectors.size() && now.unique_uids; ++i) {
        now.unique_uids = now.connectors[i - 1].uid < now.connectors[i].uid;
    }
    bool reuse = m_valid && !was.connectors.empty() && was.unique_uids && now.unique_uids;
    std::vector<const Connector*> before(now.connectors.size(), nullptr);
    bool same_scene =
        reuse && was.boxes == now.boxes && was.connectors.size() == now.connectors.size();
    if (reuse) {
        std::set_symmetric_difference(was.boxes.begin(), was.boxes.end(), now.boxes.begin(),
                                      now.boxes.end(), std::back_inserter(differ), rect_less);
        auto add_route = [&](const Scene& scene, const Connector& c) {
            differ.insert(differ.end(), scene.line_boxes.begin() + c.first_line,
                          scene.line_boxes.begin() + c.first_line + c.lines);
            differ.insert(differ.end(), scene.decorations.begin() + c.first_decoration,
                          scene.decorations.begin() + c.first_decoration + c.decorations);
        };
        auto add_labels = [&](const Connector& c) {
            for (const Label& l : c.labels) {
                if (!l.text.empty()) {
                    differ.push_back(l.box);
                }
            }
        };
        auto gone = [&](const Connector& c) {
            add_route(was, c);
            add_labels(c);
            same_scene = false;
        };
        size_t j = 0;
        for (size_t i = 0; i < now.connectors.size(); ++i) {
            Connector& c = now.connectors[i];
            for (; j < was.connectors.size() && was.connectors[j].uid < c.uid; ++j) {
                gone(was.connectors[j]);
            }
            if (j == was.connectors.size() || was.connectors[j].uid != c.uid) {
                add_route(now, c);
                same_scene = false;
                continue;
            }
            const Connector& old = was.connectors[j++];
            auto same_range = [](const auto& a, uint32_t af, const auto& b, uint32_t bf,
                                 uint32_t n) {
                return std::equal(a.begin() + af, a.begin() + af + n, b.begin() + bf);
            };
            if (old.lines != c.lines || old.decorations != c.decorations ||
                old.ends[0] != c.ends[0] || old.ends[1] != c.ends[1] ||
                !same_range(was.lines, old.first_line, now.lines, c.first_line, c.lines) ||
                !same_range(was.decorations, old.first_decoration, now.decorations,
                            c.first_decoration, c.decorations)) {
                add_route(was, old);
                add_route(now, c);
                // Its labels' spots moved with it: all placed afresh.
                add_labels(old);
                same_scene = false;
                continue;
            }
            before[i] = &old;
            for (int k = 0; k < 3; ++k) {
                if (c.labels[k].text.empty() && !old.labels[k].text.empty()) {
                    differ.push_back(old.labels[k].box);
                }
            }
        }
        for (; j < was.connectors.size(); ++j) {
            gone(was.connectors[j]);
        }
    }
    if (!m_fields) {
        m_fields = std::make_unique<Fields>();
    }
    Fields& fields = *m_fields;
    fields.current = fields.current && same_scene;
    Rectangle area = fields.current ? fields.area : now.line_boxes.front();
    if (!fields.current) {
        for (const auto* list : {&now.line_boxes, &now.decorations, &now.boxes}) {
            for (const Rectangle& r : *list) {
                area = bounds(area, r);
            }
        }
    }
    Field& changed = fields.changed;
    changed.reset(area, differ, CHANGED_CELL);

    // The look-ups are made when the first label is placed again. Hard
    // obstacles: the boxes, every end decoration and the labels placed so
    // far. Soft: the lines of every connector.
    std::vector<Rectangle> placed_so_far;
    bool labels_ready = false;
    for (size_t ci = 0; ci < now.connectors.size(); ++ci) {
        Connector& c = now.connectors[ci];
        if (!c.has_labels) {
            continue;
        }
        const Connector* old = before[ci];
        const auto* route = &now.lines[c.first_line];
        auto& out = m_placed[c.con];
        // Each spot costs its rank too, so a label does not wander far to
        // avoid crossing a line; once the rank alone costs more than the
        // best spot, no later spot can win, nor can a spot whose cost so
        // far does.
        // prepare() measures the text and makes ready what spot(i, m) needs;
        // neither is asked for a label that keeps its spot.
        auto put = [&](int k, Model::ConnectorLabel which, size_t count, auto prepare, auto spot) {
            Label& label = c.labels[k];
            const Label* kept =
                old != nullptr && old->labels[k].text == label.text ? &old->labels[k] : nullptr;
            if (kept != nullptr && !changed.any(kept->examined)) {
                label.box = kept->box;
                label.examined = kept->examined;
                label.baseline = kept->baseline;
            } else {
                if (!fields.current) {
                    fields.area = area;
                    fields.boxes.reset(area, now.boxes, SPOT_CELL);
                    fields.lines.reset(area, now.line_boxes, LINE_CELL);
                    fields.decorations.reset(area, now.decorations, SPOT_CELL);
                    fields.current = true;
                }
                if (!labels_ready) {
                    fields.labels.reset(area, placed_so_far, SPOT_CELL);
                    labels_ready = true;
                }
                ++m_replaced;
                const Measured m = prepare();
                int best_cost = -1;
                Rectangle best;
                Rectangle examined;
                for (size_t i = 0; i < count; ++i) {
                    const int rank = static_cast<int>(i);
                    if (best_cost >= 0 && rank >= best_cost) {
                        break;
                    }
                    const Rectangle r = spot(i, m);
                    examined = i == 0 ? r : bounds(examined, r);
                    int cost = rank + (fields.boxes.any(r) ? 1000000 : 0);
                    if (best_cost >= 0 && cost >= best_cost) {
                        continue;
                    }
                    cost += 100000 * (fields.decorations.count(r) + fields.labels.count(r));
                    if (best_cost >= 0 && cost >= best_cost) {
                        continue;
                    }
                    cost += 10 * fields.lines.count(r);
                    if (best_cost < 0 || cost < best_cost) {
                        best_cost = cost;
                        best = r;
                    }
                }
                label.box = best;
                label.examined = examined;
                label.baseline = m.baseline;
                const Rectangle* old_box =
                    old != nullptr && !old->labels[k].text.empty() ? &old->labels[k].box : nullptr;
                if (old_box == nullptr || !(*old_box == best)) {
                    if (old_box != nullptr) {
                        changed.add(*old_box);
                    }
                    changed.add(best);
                }
            }
            if (labels_ready) {
                fields.labels.add(label.box);
            } else {
                placed_so_far.push_back(label.box);
            }
            out.push_back(PlacedLabel{which, label.text, label.box, label.baseline});
        };
        for (int k = 0; k < 2; ++k) {
            if (c.labels[k].text.empty()) {
                continue;
            }
            const auto& [a, b] = k == 0 ? route[0] : route[c.lines - 1];
            const Point near = k == 0 ? a : b;
            const Point far = k == 0 ? b : a;
            const Point e = c.ends[k];
            const double dx = sign(far.x - near.x);
            const double dy = sign(far.y - near.y);
            put(
                k, k == 0 ? Model::ConnectorLabel::START : Model::ConnectorLabel::END, END_SPOTS,
                [&] { return measure(ws, c.labels[k].text); },
                [&](size_t i, const Measured& m) { return end_spot(i, e, dx, dy, m); });
        }
        if (!c.labels[2].text.empty()) {
            // The longest segment first; where it has no room (a short
            // route between near boxes), the others in order of length.
            std::vector<size_t> order;
            put(
                2, Model::ConnectorLabel::NAME, c.lines * NAME_SPOTS,
                [&] {
                    order.resize(c.lines);
                    for (size_t i = 0; i < order.size(); ++i) {
                        order[i] = i;
                    }
                    auto length = [&](size_t i) {
                        return std::abs(route[i].second.x - route[i].first.x) +
                               std::abs(route[i].second.y - route[i].first.y);
                    };
                    std::stable_sort(order.begin(), order.end(),
                                     [&](size_t a, size_t b) { return length(a) > length(b); });
                    return measure(ws, c.labels[2].text);
                },
                [&](size_t i, const Measured& m) {
                    const auto& [a, b] = route[order[i / NAME_SPOTS]];
                    return name_spot(i % NAME_SPOTS, a, b, m);
                });
        }
    }
    // The arrays of the old scene take the next one.
    m_spare = std::move(m_scene);
    m_scene = std::move(now);
}

size_t label_inputs_digest(const Model::Workspace& ws) {
    auto mix = [](size_t& h, size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    // The bits, not std::hash, which hashes a double byte by byte; -0.0
    // and 0.0 differ here, which costs at most a placement.
    auto mix_d = [&mix](size_t& h, double d) { mix(h, std::bit_cast<uint64_t>(d)); };
    auto mix_r = [&mix_d](size_t& h, const Rectangle& r) {
        mix_d(h, r.x);
        mix_d(h, r.y);
        mix_d(h, r.width);
        mix_d(h, r.height);
    };
    const Model::Connectors& set = *ws.get_connector_set();
    if (std::none_of(set.begin(), set.end(), [](const auto& con) { return con->has_labels(); })) {
        return 0;
    }
    size_t h = 0;
    for (CellDir dir : {CellDir::H, CellDir::V}) {
        for (const auto& e : ws.get_grid()->get(dir).entries()) {
            mix(h, static_cast<size_t>(e.index));
            mix_d(h, e.pos);
        }
        mix(h, 0xd1);
    }
    // The members of the sets are visited in no fixed order: each is
    // digested alone and the digests summed, which no order changes.
    size_t sum = 0;
    ws.get_element_cells()->foreach ([&](int32_t hh, int32_t v, const auto& elem) {
        size_t e = 0;
        mix(e, static_cast<size_t>(hh));
        mix(e, static_cast<size_t>(v));
        mix_r(e, elem->get_rect());
        sum += e;
        return true;
    });
    mix(h, sum);
    sum = 0;
    for (const auto& con : set) {
        size_t c = 0;
        // The placement is kept by connector object, and undo and redo
        // bring back other objects for the same connectors.
        mix(c, reinterpret_cast<uintptr_t>(con.get()));
        mix(c, con->get_uid());
        for (auto which : {Model::ConnectorLabel::NAME, Model::ConnectorLabel::START,
                           Model::ConnectorLabel::END}) {
            mix(c, std::hash<std::string>{}(con->get_label(which)));
        }
        for (const auto& seg : con->get_segments()) {
            mix(c, static_cast<size_t>(seg->start.h) ^ (static_cast<size_t>(seg->start.v) << 20));
            mix(c, static_cast<size_t>(seg->end.h) ^ (static_cast<size_t>(seg->end.v) << 20));
            mix_d(c, seg->start_point.x);
            mix_d(c, seg->start_point.y);
            mix_d(c, seg->end_point.x);
            mix_d(c, seg->end_point.y);
        }
        for (const auto* term : {con->start_term.get(), con->end_term.get()}) {
            if (term != nullptr) {
                mix_r(c, term->get_rect());
                mix_d(c, term->get_term_point().x);
                mix_d(c, term->get_term_point().y);
            }
        }
        sum += c;
    }
    mix(h, sum);
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
    std::vector<Rectangle> decoration_list;
    ws.get_connector_set()->foreach_ordered(
        [&](const std::shared_ptr<Model::AbstractConnectorElement>& con) {
            if (!con->get_segments().empty()) {
                add_decorations(grid, *con, decoration_list);
            }
            return true;
        });
    std::vector<Rectangle> label_list;
    for (const auto& [con, list] : labels) {
        for (const auto& l : list) {
            label_list.push_back(l.box);
        }
    }
    Rectangle area;
    bool first = true;
    for (const auto* list : {&decoration_list, &label_list}) {
        for (const Rectangle& r : *list) {
            area = first ? r : bounds(area, r);
            first = false;
        }
    }
    Field decorations;
    decorations.reset(area, decoration_list, SPOT_CELL);
    Field all;
    all.reset(area, label_list, SPOT_CELL);
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

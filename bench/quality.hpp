#pragma once

// How legible a laid-out diagram is, measured from the model's own geometry:
// the drawn polylines of the connectors, their end decorations and the class
// boxes, all in workspace pixels.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <utility>
#include <vector>

#include "common/rectangle.hpp"
#include "model/connector_element.hpp"
#include "model/connector_terms.hpp"
#include "model/connectors.hpp"
#include "model/element.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/routing/related_segments.hpp"
#include "model/routing/segment.hpp"
#include "model/workspace.hpp"
#include "render/connector_labels.hpp"

namespace Bench {

struct Quality {
    int connectors = 0;
    int box_crossings = 0;        // drawn segments running through a class box
    int close_pairs = 0;          // parallel pieces of different connectors < 4 px apart
    int coincident_pairs = 0;     // ... less than 0.5 px apart
    int decoration_overlaps = 0;  // pairs of end decorations that overlap
    int decorations_too_long = 0;
    double bends_mean = 0.0;
    int bends_max = 0;
    // The fewest bends any route through cells without a class could take,
    // averaged like bends_mean: what the grid allows, whatever the search.
    double bends_least_mean = 0.0;
    // The same when routes may also run beside a box inside its cell, where
    // the box sizes leave room (least_bends with beside): a floor for any
    // router that keeps the spacing and leaves the boxes where they are.
    double bends_least_beside_mean = 0.0;
    int crossings = 0;  // a horizontal and a vertical piece of different connectors
    int labels = 0;
    int label_overlaps = 0;        // labels covering a box, another label or a decoration
    int label_line_crossings = 0;  // lines of connectors running through a label
    // The bounds of every box, line and label: what an export of the whole
    // diagram paints, in millions of pixels.
    double area_mpx = 0.0;
};

namespace detail_quality {

// LATTRIX_QUALITY_LIST set: each fault found is listed on stderr, to find
// which segments a count is made of.
inline bool list_faults() {
    static const bool list = std::getenv("LATTRIX_QUALITY_LIST") != nullptr;
    return list;
}

struct Piece {
    const Model::Segment* seg;
    int con;
    bool vertical;
    double across;  // x of a vertical piece, y of a horizontal one
    double lo, hi;  // extent along it

    // The piece as a rectangle of no thickness.
    Rectangle rect() const {
        return vertical ? Rectangle(across, lo, 0.0, hi - lo) : Rectangle(lo, across, hi - lo, 0.0);
    }
};

inline Rectangle shifted(const Rectangle& r, const Point& by) {
    return Rectangle(r.x + by.x, r.y + by.y, r.width, r.height);
}

// Overlap of the insides: touching edges do not count.
inline bool overlap(const Rectangle& a, const Rectangle& b, double slack) {
    return a.x + slack < b.x + b.width && b.x + slack < a.x + a.width &&
           a.y + slack < b.y + b.height && b.y + slack < a.y + a.height;
}

// The fewest turns of a path from start to goal that steps from cell to
// neighbouring cell: a breadth-first search over (cell, direction) where
// going on is free and a turn costs 1. A connector from a class to itself
// leaves one side and comes back on a side next to it: out, along, back and
// in, three turns.
//
// Without beside, the path enters no cell holding a class but the goal's.
// With beside, it may also run through a class's cell beside the box, and
// turn there, as a router that knew the box sizes could. A piece that
// leaves or reaches a class may pass a box only where that class's side
// reaches 2 * LINE_SPACING past the passed box, so that the line keeps
// LINE_SPACING from the passed box and from the corner of its own. Each
// passed box is checked on its own and the boxes keep their sizes, so this
// is a floor for any router that keeps that spacing and leaves the boxes
// where the grid puts them.
inline int least_bends(const Model::Workspace& ws, CellPos start, CellPos goal, int32_t h0,
                       int32_t v0, int32_t h1, int32_t v1, bool beside = false) {
    if (start == goal) {
        return 3;
    }
    const int32_t w = h1 - h0 + 1;
    const int32_t ht = v1 - v0 + 1;
    constexpr int NONE = 1 << 29;
    // The state beyond (cell, direction): whether the path has turned yet;
    // whether a box passed since the last turn leaves the goal's side no
    // room to be reached straight on; and, in a class's cell, whether the
    // path came in short of the box and must turn there, going on beside it.
    constexpr int TURNED = 1;
    constexpr int GOAL_BLOCKED = 2;
    constexpr int SHORT_OF_BOX = 4;
    std::vector<int> cost(static_cast<size_t>(w) * ht * 32, NONE);
    const int dh[4] = {1, -1, 0, 0};
    const int dv[4] = {0, 0, 1, -1};
    auto index = [&](const CellPos& c, int d, int state) {
        return ((static_cast<size_t>(c.v - v0) * w + (c.h - h0)) * 4 + d) * 8 + state;
    };
    auto elem_at = [&](const CellPos& c) { return ws.get_element_cells()->get(c.h, c.v); };
    // Whether a line going in d can leave or reach end's box and pass the
    // box in cell c: boxes of one row share their cell's top, those of one
    // column its left.
    auto leaves_room = [&](const CellPos& end, const CellPos& c, int d) {
        const Rectangle e = elem_at(end)->get_rect();
        const Rectangle p = elem_at(c)->get_rect();
        const bool along_row = dh[d] != 0;
        const double gap = 2 * Model::RelatedSegments::LINE_SPACING;
        const double e_lo = along_row ? e.y : e.x;
        const double e_hi = e_lo + (along_row ? e.height : e.width);
        const double p_lo = along_row ? p.y : p.x;
        const double p_hi = p_lo + (along_row ? p.height : p.width);
        return e_lo + gap <= p_lo || p_hi + gap <= e_hi;
    };
    struct Step {
        int cost;
        CellPos cell;
        int d;
        int state;
    };
    std::deque<Step> queue;
    auto push = [&](const CellPos& to, int d, int state, int c, bool back) {
        int& known = cost[index(to, d, state)];
        if (c >= known) {
            return;
        }
        known = c;
        if (back) {
            queue.push_back({c, to, d, state});
        } else {
            queue.push_front({c, to, d, state});
        }
    };
    // Steps from `from` in direction d, a turn when d differs from the
    // direction the path came in.
    auto offer = [&](const CellPos& from, int state, int d, int c, bool turn) {
        const CellPos to(from.h + dh[d], from.v + dv[d]);
        if (to.h < h0 || to.h > h1 || to.v < v0 || to.v > v1 || to == start) {
            return;
        }
        if (turn) {
            // A piece that leaves a class's cell where the path came in
            // short of its box runs beside that box.
            state =
                TURNED | ((state & SHORT_OF_BOX) && !leaves_room(goal, from, d) ? GOAL_BLOCKED : 0);
        }
        if (to == goal) {
            if (!(state & GOAL_BLOCKED)) {
                push(to, d, state, c, turn);
            }
            return;
        }
        if (!elem_at(to)) {
            push(to, d, state, c, turn);
            return;
        }
        if (!beside) {
            return;
        }
        // Short of the box, to turn beside it.
        push(to, d, state | SHORT_OF_BOX, c, turn);
        // Beside the box, past it.
        if ((state & TURNED) || leaves_room(start, to, d)) {
            push(to, d, state | (leaves_room(goal, to, d) ? 0 : GOAL_BLOCKED), c, turn);
        }
    };
    for (int d = 0; d < 4; ++d) {
        offer(start, 0, d, 0, false);
    }
    while (!queue.empty()) {
        const Step s = queue.front();
        queue.pop_front();
        if (s.cost != cost[index(s.cell, s.d, s.state)]) {
            continue;
        }
        if (s.cell == goal) {
            return s.cost;
        }
        for (int nd = 0; nd < 4; ++nd) {
            // No turning back; short of a box, only turning.
            if ((nd ^ 1) == s.d || ((s.state & SHORT_OF_BOX) && nd == s.d)) {
                continue;
            }
            offer(s.cell, s.state, nd, s.cost + (nd != s.d ? 1 : 0), nd != s.d);
        }
    }
    return 0;  // no way at all: counts as nothing to be gained
}

}  // namespace detail_quality

inline Quality measure_quality(Model::Workspace& ws) {
    using namespace detail_quality;
    Quality q;
    const Model::Grid& grid = *ws.get_grid();
    std::vector<Piece> pieces;
    struct Deco {
        int con;
        Rectangle rect;
    };
    std::vector<Deco> decos;
    int bends_total = 0;
    int least_total = 0;
    int least_beside_total = 0;
    int32_t h0 = 0, v0 = 0, h1 = 0, v1 = 0;
    bool any_class = false;
    ws.get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto&) {
        h0 = any_class ? std::min(h0, h) : h;
        v0 = any_class ? std::min(v0, v) : v;
        h1 = any_class ? std::max(h1, h) : h;
        v1 = any_class ? std::max(v1, v) : v;
        any_class = true;
        return true;
    });
    // Routes may run in the lines around the classes.
    h0 -= 2;
    v0 -= 2;
    h1 += 2;
    v1 += 2;
    int con_index = 0;
    ws.get_connector_set()->foreach_ordered([&](const auto& con) {
        const auto& segs = con->get_segments();
        if (segs.empty()) {
            return true;
        }
        const int c = con_index++;
        const int bends = static_cast<int>(segs.size()) - 1;
        bends_total += bends;
        q.bends_max = std::max(q.bends_max, bends);
        least_total += least_bends(ws, segs.front()->start, segs.back()->end, h0, v0, h1, v1);
        least_beside_total +=
            least_bends(ws, segs.front()->start, segs.back()->end, h0, v0, h1, v1, true);
        for (const auto& seg : segs) {
            const Point a0 = grid.get_top_left_point(seg->start);
            const Point b0 = grid.get_top_left_point(seg->end);
            const Point a(a0.x + seg->start_point.x, a0.y + seg->start_point.y);
            const Point b(b0.x + seg->end_point.x, b0.y + seg->end_point.y);
            const bool vertical = seg->get_hv() == CellDir::V;
            Piece p{seg.get(),
                    c,
                    vertical,
                    vertical ? a.x : a.y,
                    vertical ? std::min(a.y, b.y) : std::min(a.x, b.x),
                    vertical ? std::max(a.y, b.y) : std::max(a.x, b.x)};
            pieces.push_back(p);
            // Boxes along the piece's cells, its own end boxes included: the
            // line must stop at their edges.
            const CellRangeIndex r = seg->get_range();
            for (int32_t i = r.start; i <= r.end; ++i) {
                const CellPos cell = vertical ? CellPos(seg->start.h, i) : CellPos(i, seg->start.v);
                auto elem = ws.get_element_cells()->get(cell.h, cell.v);
                if (!elem) {
                    continue;
                }
                const Rectangle box = shifted(elem->get_rect(), grid.get_top_left_point(cell));
                const double b_lo = vertical ? box.y : box.x;
                const double b_hi = vertical ? box.y + box.height : box.x + box.width;
                const double c_lo = vertical ? box.x : box.y;
                const double c_hi = vertical ? box.x + box.width : box.y + box.height;
                if (c_lo + 0.5 < p.across && p.across < c_hi - 0.5 && p.lo < b_hi - 0.5 &&
                    b_lo + 0.5 < p.hi) {
                    ++q.box_crossings;
                }
            }
            for (const auto& [term, cell] :
                 {std::pair{seg->start_term, seg->start}, std::pair{seg->end_term, seg->end}}) {
                if (!term) {
                    continue;
                }
                const Rectangle deco = shifted(term->get_rect(), grid.get_top_left_point(cell));
                decos.push_back(Deco{c, deco});
                const double along = vertical ? deco.height : deco.width;
                // From the class edge to the segment's other end, where it
                // turns or meets the other class: a closed shape stops the
                // drawn line at its base, so the drawn piece alone says
                // nothing about whether the decoration runs past the turn.
                const Point cell0 = grid.get_top_left_point(cell);
                const Point tip = term->get_term_point();
                const double tip_along = vertical ? cell0.y + tip.y : cell0.x + tip.x;
                const double other =
                    cell == seg->start ? (vertical ? b.y : b.x) : (vertical ? a.y : a.x);
                if (std::fabs(other - tip_along) < along - 0.5) {
                    if (list_faults()) {
                        fprintf(stderr, "decoration past its turn: %s-%s\n",
                                seg->start.to_string().c_str(), seg->end.to_string().c_str());
                    }
                    ++q.decorations_too_long;
                }
            }
        }
        return true;
    });
    q.connectors = con_index;
    q.bends_mean = con_index > 0 ? static_cast<double>(bends_total) / con_index : 0.0;
    q.bends_least_mean = con_index > 0 ? static_cast<double>(least_total) / con_index : 0.0;
    q.bends_least_beside_mean =
        con_index > 0 ? static_cast<double>(least_beside_total) / con_index : 0.0;

    // Parallel pieces: sorted by orientation and position across, each
    // compared with the ones less than 4 px further on.
    std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
        return a.vertical != b.vertical ? a.vertical < b.vertical : a.across < b.across;
    });
    for (size_t i = 0; i < pieces.size(); ++i) {
        for (size_t j = i + 1; j < pieces.size(); ++j) {
            const Piece& a = pieces[i];
            const Piece& b = pieces[j];
            if (b.vertical != a.vertical || b.across - a.across >= 4.0) {
                break;
            }
            if (a.con == b.con || std::min(a.hi, b.hi) - std::max(a.lo, b.lo) <= 1.0) {
                continue;
            }
            ++q.close_pairs;
            if (list_faults()) {
                fprintf(stderr, "close pair %.2f px: %s-%s and %s-%s\n", b.across - a.across,
                        a.seg->start.to_string().c_str(), a.seg->end.to_string().c_str(),
                        b.seg->start.to_string().c_str(), b.seg->end.to_string().c_str());
            }
            if (b.across - a.across < 0.5) {
                ++q.coincident_pairs;
            }
        }
    }
    for (const Piece& h : pieces) {
        if (h.vertical) {
            continue;
        }
        for (const Piece& v : pieces) {
            if (!v.vertical || v.con == h.con) {
                continue;
            }
            if (h.lo < v.across && v.across < h.hi && v.lo < h.across && h.across < v.hi) {
                ++q.crossings;
            }
        }
    }
    for (size_t i = 0; i < decos.size(); ++i) {
        for (size_t j = i + 1; j < decos.size(); ++j) {
            if (overlap(decos[i].rect, decos[j].rect, 0.5)) {
                ++q.decoration_overlaps;
            }
        }
    }
    const View::PlacedLabels placed = View::place_connector_labels(ws);
    for (const auto& [con, list] : placed) {
        q.labels += static_cast<int>(list.size());
    }
    q.label_overlaps = View::count_label_overlaps(ws, placed);
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    auto grow = [&](const Rectangle& r) {
        x0 = std::min(x0, r.x);
        y0 = std::min(y0, r.y);
        x1 = std::max(x1, r.x + r.width);
        y1 = std::max(y1, r.y + r.height);
    };
    for (const Piece& p : pieces) {
        grow(p.rect());
    }
    ws.get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto& elem) {
        grow(shifted(elem->get_rect(), grid.get_top_left_point(CellPos(h, v))));
        return true;
    });
    for (const auto& [con, list] : placed) {
        for (const auto& l : list) {
            grow(l.box);
            for (const Piece& p : pieces) {
                q.label_line_crossings += overlap(l.box, p.rect(), 0.0);
            }
        }
    }
    if (x1 > x0 && y1 > y0) {
        q.area_mpx = (x1 - x0) * (y1 - y0) / 1e6;
    }
    return q;
}

}  // namespace Bench

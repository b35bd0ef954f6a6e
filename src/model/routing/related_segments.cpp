#include "model/routing/related_segments.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "common/cell_range_index.hpp"
#include "common/cell_range_set.hpp"
#include "common/log.hpp"
#include "model/connector_element.hpp"
#include "model/connector_terms.hpp"
#include "model/element.hpp"
#include "model/grid.hpp"
#include "model/routing/layoutable_node.hpp"
#include "model/routing/segment.hpp"
#include "model/routing/spring_edge.hpp"

namespace Model {

namespace {

// The connector's uid and the segment's place in its route; a segment
// without a connector (only in tests) sorts first, in the order given.
std::pair<uint32_t, int> document_order(const Segment& seg) {
    int index = 0;
    for (const Segment* p = seg.prev; p != nullptr; p = p->prev) {
        ++index;
    }
    return {seg.connector != nullptr ? seg.connector->get_uid() : 0u, index};
}

// The place of a member among those the order across the line leaves level
// (the same shape, boxes and length: parallel runs of one bundle). A bundle
// keeps the same side of its way for each connector, the earlier uid on the
// left, so that it turns its corners without crossing itself; one order by
// uid on every line would cross at every corner that turns down or left.
// The way is taken from the lower of the connector's end cells to the
// higher, the same for every connector of a bundle whichever end it was
// drawn from.
int64_t bundle_rank(const Segment& s) {
    if (s.connector == nullptr) {
        return 0;
    }
    const bool reversed = s.connector->end_pos < s.connector->start_pos;
    const MovingDir way = reversed ? inv(s.get_udlr()) : s.get_udlr();
    // Left of the way: the smaller position going right or up, the larger
    // going down or left.
    const bool left_is_smaller = way == MovingDir::RIGHT || way == MovingDir::UP;
    const auto uid = static_cast<int64_t>(s.connector->get_uid());
    return left_is_smaller ? uid : -uid;
}

}  // namespace

RelatedSegments::RelatedSegments(const std::vector<Segment*>& seg_set, Segment& seg,
                                 const Grid& grid)
    : m_grid(grid) {
    m_segs.push_back(&seg);
    m_hv = seg.get_hv();
    m_cell_pos_orth = seg.get_cell_pos_orth();
    seg.init_link_spring();
    CellRangeIndex range = seg.get_range_without_elem();

    std::unordered_set<const Segment*> members{&seg};
    // The candidates that can join at all, with their ranges, worked out
    // once rather than on every pass.
    struct Candidate {
        Segment* seg;
        CellRangeIndex range;
        bool taken;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(seg_set.size());
    for (Segment* s : seg_set) {
        if (s != nullptr && s != &seg && s->is_seg_collinear(seg) && members.insert(s).second) {
            candidates.push_back(Candidate{s, s->get_range_without_elem(), false});
        }
    }
    // The range only grows, so repeating until a pass adds nothing gathers
    // every collinear segment reachable through overlapping ranges.
    bool grown = true;
    while (grown) {
        grown = false;
        for (Candidate& c : candidates) {
            if (c.taken || !c.range.is_overlap(range)) {
                continue;
            }
            c.taken = true;
            m_segs.push_back(c.seg);
            c.seg->init_link_spring();
            range = range.or_(c.range);
            grown = true;
        }
    }

    // The members in an order the document fixes (connector uid, then place
    // in the route), whichever member the group was built from and in
    // whatever order the segments joined the layouter: the first member
    // chooses e1 and e2, and the spreading breaks its ties by this order, so
    // an undone or reloaded diagram comes out the same as the first time.
    {
        std::vector<std::pair<std::pair<uint32_t, int>, Segment*>> keyed;
        keyed.reserve(m_segs.size());
        for (Segment* s : m_segs) {
            keyed.emplace_back(document_order(*s), s);
        }
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < keyed.size(); i++) {
            m_segs[i] = keyed[i].second;
        }
    }
    m_e1 = nullptr;
    m_e2 = nullptr;
    m_e1_count = 0;
    m_e2_count = 0;
    for (const Segment* s : m_segs) {
        count_e1_and_e2(*s);
    }

    const CellDir across = inv(m_hv);
    if (m_e1) {
        m_e1_len = m_e1->get_rect().get_size(across) / (m_e1_count + 1);
    }
    if (m_e2) {
        m_e2_len = m_e2->get_rect().get_size(across) / (m_e2_count + 1);
    }
}

RelatedSegments::~RelatedSegments() = default;

void RelatedSegments::count_e1_and_e2(const Segment& seg) {
    if (auto near = seg.get_linked_elem_near_to_org()) {
        if (!m_e1) {
            m_e1 = near;
        }
        m_e1_count++;
    }
    if (auto far = seg.get_linked_elem_far_from_org()) {
        if (!m_e2) {
            m_e2 = far;
        }
        m_e2_count++;
    }
}

std::shared_ptr<FixedLayoutableNode> RelatedSegments::get_node_g_l() {
    if (!m_node_g_l) {
        m_node_g_l = std::make_shared<FixedLayoutableNode>(0.0);
    }
    return m_node_g_l;
}

std::shared_ptr<FixedLayoutableNode> RelatedSegments::get_node_g_r() {
    if (!m_node_g_r) {
        // The width of the column of a vertical group, the height of the row
        // of a horizontal one.
        const double size = m_grid.get(inv(m_hv)).get_size(m_cell_pos_orth);
        m_node_g_r = std::make_shared<FixedLayoutableNode>(size);
    }
    return m_node_g_r;
}

void RelatedSegments::update_node_lr(const std::shared_ptr<Element>& elem,
                                     std::shared_ptr<FixedLayoutableNode>& l,
                                     std::shared_ptr<FixedLayoutableNode>& r) {
    LX_RETURN_IF_FAIL(elem != nullptr);
    if (l && r) {
        return;
    }
    const Rectangle rect = elem->get_rect();
    const CellDir across = inv(m_hv);
    l = std::make_shared<FixedLayoutableNode>(rect.get_start(across));
    r = std::make_shared<FixedLayoutableNode>(rect.get_end(across));
}

std::shared_ptr<FixedLayoutableNode> RelatedSegments::get_node_e1_l() {
    update_node_lr(m_e1, m_node_e1_l, m_node_e1_r);
    return m_node_e1_l ? m_node_e1_l : get_node_g_l();
}

std::shared_ptr<FixedLayoutableNode> RelatedSegments::get_node_e1_r() {
    update_node_lr(m_e1, m_node_e1_l, m_node_e1_r);
    return m_node_e1_r ? m_node_e1_r : get_node_g_r();
}

std::shared_ptr<FixedLayoutableNode> RelatedSegments::get_node_e2_l() {
    update_node_lr(m_e2, m_node_e2_l, m_node_e2_r);
    return m_node_e2_l ? m_node_e2_l : get_node_g_l();
}

std::shared_ptr<FixedLayoutableNode> RelatedSegments::get_node_e2_r() {
    update_node_lr(m_e2, m_node_e2_l, m_node_e2_r);
    return m_node_e2_r ? m_node_e2_r : get_node_g_r();
}

void RelatedSegments::add_spring(const std::shared_ptr<ILayoutableNode>& left,
                                 const std::shared_ptr<ILayoutableNode>& right, double length,
                                 Segment* on_left, Segment* on_right, bool push_only) {
    // Springs hold their nodes weakly, so a segment not owned by a shared
    // pointer cannot take part.
    LX_RETURN_IF_FAIL(left != nullptr && right != nullptr);
    auto spring = std::make_shared<SpringEdge>(left, right, length, push_only);
    if (on_left != nullptr) {
        on_left->link_right_spring(spring);
    }
    if (on_right != nullptr) {
        on_right->link_left_spring(spring);
    }
}

void RelatedSegments::sort() {
    // cmp is not a strict weak order, which std::sort must not be given.
    std::stable_sort(m_segs.begin(), m_segs.end(),
                     [](const Segment* a, const Segment* b) { return Segment::cmp(*a, *b) < 0; });
    // cmp is not transitive, so level members can end up in any order around
    // the others: they are put in bundle order within the places they took.
    using Level = std::tuple<SegmentForm, const Element*, const Element*, int>;
    std::map<Level, std::vector<size_t>> levels;
    for (size_t i = 0; i < m_segs.size(); ++i) {
        const Segment& s = *m_segs[i];
        levels[{s.get_form(), s.get_linked_elem_near_to_org().get(),
                s.get_linked_elem_far_from_org().get(), s.get_size()}]
            .push_back(i);
    }
    for (const auto& [level, places] : levels) {
        if (places.size() < 2) {
            continue;
        }
        std::vector<Segment*> members;
        for (size_t i : places) {
            members.push_back(m_segs[i]);
        }
        std::stable_sort(members.begin(), members.end(), [](const Segment* a, const Segment* b) {
            return bundle_rank(*a) < bundle_rank(*b);
        });
        for (size_t k = 0; k < places.size(); ++k) {
            m_segs[places[k]] = members[k];
        }
    }
}

int RelatedSegments::assign_tracks() {
    std::vector<CellRangeIndex> ranges;
    ranges.reserve(m_segs.size());
    for (const Segment* s : m_segs) {
        ranges.push_back(s->get_range_without_elem());
    }
    m_tracks.assign(m_segs.size(), 0);
    m_track_count = 0;
    for (size_t i = 0; i < m_segs.size(); i++) {
        int track = 0;
        for (size_t j = 0; j < i; j++) {
            if (ranges[j].is_overlap(ranges[i])) {
                track = std::max(track, m_tracks[j] + 1);
            }
        }
        m_tracks[i] = track;
        m_track_count = std::max(m_track_count, track + 1);
    }
    return m_track_count;
}

void RelatedSegments::bound_turns() {
    m_inset_lo = 0.0;
    m_inset_hi = 0.0;
    const CellDir across = inv(m_hv);
    const double size = get_node_g_r()->get_pos();
    const double half = END_SPACING / 2.0;
    for (Segment* s : m_segs) {
        double lo = -HUGE_VAL;
        double hi = HUGE_VAL;
        for (const auto& [n, at_start] : {std::pair{s->prev, true}, std::pair{s->next, false}}) {
            if (n == nullptr) {
                continue;
            }
            const auto& elem = at_start ? n->start_elem : n->end_elem;
            const auto& term = at_start ? n->start_term : n->end_term;
            if (!elem || !term) {
                continue;
            }
            // Only a box in the neighbouring line can be that close: a line
            // between holds at least its margin and this turn's own room.
            // The box is taken as close to its cell's edge as it can be, so
            // the bound follows the routes alone, as the line's room does,
            // and stays right when a box or a line changes size.
            const int32_t c = (at_start ? n->start : n->end).get(across);
            const double room = term->get_height_at_upper() + TURN_CLEARANCE - MIN_BOX_GAP;
            if (c == m_cell_pos_orth - 1) {
                lo = std::fmax(lo, room);
            } else if (c == m_cell_pos_orth + 1) {
                hi = std::fmin(hi, size - room);
            }
        }
        if (lo == -HUGE_VAL && hi == HUGE_VAL) {
            continue;
        }
        // An end of this member stays on its box whatever the room asks.
        bool fits = true;
        s->foreach_linked_elem([&](const std::shared_ptr<Element>& linked) {
            const Rectangle r = linked->get_rect();
            fits = fits && lo <= r.get_end(across) - half && hi >= r.get_start(across) + half;
            return true;
        });
        if (!fits) {
            continue;
        }
        if (lo > hi) {
            lo = hi = (lo + hi) / 2.0;
        }
        s->set_bounds(lo, hi);
        if (!s->get_links_elem()) {
            if (lo != -HUGE_VAL) {
                m_inset_lo = std::fmax(m_inset_lo, lo - LINE_SPACING);
            }
            if (hi != HUGE_VAL) {
                m_inset_hi = std::fmax(m_inset_hi, size - hi - LINE_SPACING);
            }
        }
    }
    if (m_inset_lo + m_inset_hi >= size) {
        m_inset_lo = 0.0;
        m_inset_hi = 0.0;
    }
}

void RelatedSegments::compact_tracks() {
    // By where they begin, each on the lowest track free there: as few
    // tracks as members side by side in one cell, which the line is sized
    // for. The order across the line then holds only where it did not ask
    // for more, but a line of tracks closer than anyone can follow is worse
    // than a crossing.
    std::vector<CellRangeIndex> ranges;
    std::vector<size_t> order(m_segs.size());
    for (size_t i = 0; i < m_segs.size(); i++) {
        ranges.push_back(m_segs[i]->get_range_without_elem());
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return ranges[a].start < ranges[b].start; });
    std::vector<int32_t> track_end;
    for (size_t i : order) {
        size_t t = 0;
        while (t < track_end.size() && track_end[t] >= ranges[i].start) {
            t++;
        }
        if (t == track_end.size()) {
            track_end.push_back(ranges[i].end);
        } else {
            track_end[t] = ranges[i].end;
        }
        m_tracks[i] = static_cast<int>(t);
    }
    m_track_count = static_cast<int>(track_end.size());
}

void RelatedSegments::set_span() {
    bool has_free = false;
    bool has_e1 = false;
    bool has_e2 = false;
    for (const Segment* s : m_segs) {
        if (!s->get_links_elem()) {
            has_free = true;
            continue;
        }
        has_e1 = has_e1 || (m_e1 && s->links_the_elem(m_e1.get()));
        has_e2 = has_e2 || (m_e2 && s->links_the_elem(m_e2.get()));
    }
    if (has_free || (!has_e1 && !has_e2)) {
        m_width = get_node_g_r()->get_pos() - get_node_g_l()->get_pos() - m_inset_lo - m_inset_hi;
        m_offset = m_inset_lo;
        return;
    }
    // Only linked segments: spread them over the wider of the two boxes.
    const double w1 = has_e1 ? get_node_e1_r()->get_pos() - get_node_e1_l()->get_pos() : -1.0;
    const double w2 = has_e2 ? get_node_e2_r()->get_pos() - get_node_e2_l()->get_pos() : -1.0;
    if (w1 > w2) {
        m_width = w1;
        m_offset = get_node_e1_l()->get_pos();
    } else {
        m_width = w2;
        m_offset = get_node_e2_l()->get_pos();
    }
}

void RelatedSegments::link() {
    if (m_tracks.size() != m_segs.size()) {
        assign_tracks();
    }
    bound_turns();
    set_span();
    if (m_track_count > 1 && track_gap() < LINE_SPACING) {
        compact_tracks();
    }
    Segment* first_free = nullptr;
    Segment* last_free = nullptr;
    Segment* first_e1 = nullptr;
    Segment* last_e1 = nullptr;
    Segment* first_e2 = nullptr;
    Segment* last_e2 = nullptr;

    for (size_t i = 0; i < m_segs.size(); i++) {
        Segment* a = m_segs[i];
        if (!a->get_links_elem()) {
            if (first_free == nullptr) {
                first_free = a;
            }
            last_free = a;
        } else {
            a->foreach_linked_elem([&](const std::shared_ptr<Element>& elem) {
                if (elem == m_e1) {
                    if (first_e1 == nullptr) {
                        first_e1 = a;
                    }
                    last_e1 = a;
                }
                if (elem == m_e2) {
                    if (first_e2 == nullptr) {
                        first_e2 = a;
                    }
                    last_e2 = a;
                }
                return true;
            });
        }

        // Springs go only to the nearest following members that a still sees
        // past the ones already linked.
        CellRangeSet visible;
        visible.add(a->get_range());
        const auto a_node = a->weak_from_this().lock();
        for (size_t j = i + 1; j < m_segs.size(); j++) {
            Segment* b = m_segs[j];
            const CellRangeIndex b_range = b->get_range();
            if (!visible.is_overlap(b_range)) {
                continue;
            }
            const auto b_node = b->weak_from_this().lock();
            bool share_elem = false;
            if (a->get_links_elem()) {
                b->foreach_linked_elem([&](const std::shared_ptr<Element>& elem) {
                    if (a->links_the_elem(elem.get())) {
                        add_spring(a_node, b_node, elem == m_e1 ? m_e1_len : m_e2_len, a, b);
                        share_elem = true;
                    }
                    return true;
                });
            }
            if (!a->get_links_elem() && !b->get_links_elem()) {
                add_spring(a_node, b_node, track_gap(), a, b, true);
            } else if (!share_elem) {
                // Ends on different boxes (the two boxes across a gap, or a
                // box and a passing line) are each centred on their own box
                // and would come to lie on top of each other.
                add_spring(a_node, b_node, LINE_SPACING, a, b, true);
            }
            visible.cut(b_range);
            if (!visible.is_enable()) {
                break;
            }
        }
    }

    // The free members stay on their tracks: the walls only keep them off
    // the edges of the line.
    if (first_free != nullptr) {
        add_spring(get_node_g_l(), first_free->weak_from_this().lock(), track_gap(), nullptr,
                   first_free, true);
    }
    if (last_free != nullptr) {
        add_spring(last_free->weak_from_this().lock(), get_node_g_r(), track_gap(), last_free,
                   nullptr, true);
    }
    if (first_e1 != nullptr) {
        add_spring(get_node_e1_l(), first_e1->weak_from_this().lock(), m_e1_len, nullptr, first_e1);
    }
    if (last_e1 != nullptr) {
        add_spring(last_e1->weak_from_this().lock(), get_node_e1_r(), m_e1_len, last_e1, nullptr);
    }
    if (first_e2 != nullptr) {
        add_spring(get_node_e2_l(), first_e2->weak_from_this().lock(), m_e2_len, nullptr, first_e2);
    }
    if (last_e2 != nullptr) {
        add_spring(last_e2->weak_from_this().lock(), get_node_e2_r(), m_e2_len, last_e2, nullptr);
    }
}

void RelatedSegments::ready_to_sim() {
    const double n = static_cast<double>(m_segs.size());
    const bool tracked = m_tracks.size() == m_segs.size();
    for (size_t i = 0; i < m_segs.size(); i++) {
        if (tracked && !m_segs[i]->get_links_elem()) {
            m_segs[i]->set_pos(m_offset + track_gap() * (m_tracks[i] + 1));
        } else {
            m_segs[i]->set_pos(m_width * static_cast<double>(i + 1) / (n + 1.0) + m_offset);
        }
        m_segs[i]->set_velocity(0.0);
    }
    for (Segment* s : m_segs) {
        s->clamp_pos();
    }
}

void RelatedSegments::sim() {
    m_last_sim_iterations = 0;
    for (int iter = 0; iter < SIM_MAX_ITERATIONS; iter++) {
        m_last_sim_iterations = iter + 1;
        double moved = 0.0;
        // Members moved earlier in the same iteration already count for the
        // later ones. The signed sum of the energies is no measure of rest:
        // members pushed both ways cancel out in it while far from it.
        for (Segment* s : m_segs) {
            const double before = s->get_pos();
            s->set_velocity(SIM_VELOCITY_FACTOR * s->get_energy());
            s->set_pos(before + s->get_velocity());
            s->clamp_pos();
            moved = std::fmax(moved, std::fabs(s->get_pos() - before));
        }
        if (moved < SIM_REST_MOVE) {
            break;
        }
    }
}

bool RelatedSegments::spread_ends_on_sides() {
    bool moved = false;
    const CellDir across = inv(m_hv);
    const double half = END_SPACING / 2.0;
    for (const auto& elem : {m_e1, m_e2}) {
        if (!elem) {
            continue;
        }
        // Each end may lie where it stays on every box it links, clear of
        // the corners by half a spacing.
        struct End {
            Segment* seg;
            double lo, hi;
        };
        std::vector<End> ends;
        for (Segment* s : m_segs) {
            if (!s->links_the_elem(elem.get())) {
                continue;
            }
            End e{s, s->get_bound_lo(), s->get_bound_hi()};
            s->foreach_linked_elem([&](const std::shared_ptr<Element>& linked) {
                const Rectangle r = linked->get_rect();
                e.lo = std::max(e.lo, r.get_start(across) + half);
                e.hi = std::min(e.hi, r.get_end(across) - half);
                return true;
            });
            ends.push_back(e);
        }
        if (ends.size() < 2) {
            continue;
        }
        std::stable_sort(ends.begin(), ends.end(), [](const End& a, const End& b) {
            return a.seg->get_pos() < b.seg->get_pos();
        });
        // The box is long enough for its ends (the workspace grows it): one
        // pass pushes each end clear of the one before, a second pulls the
        // last ones back inside.
        std::vector<double> pos(ends.size());
        auto place = [&]() {
            for (size_t i = 0; i < ends.size(); ++i) {
                pos[i] = std::max(ends[i].seg->get_pos(), ends[i].lo);
                if (i > 0) {
                    pos[i] = std::max(pos[i], pos[i - 1] + END_SPACING);
                }
            }
            for (size_t i = ends.size(); i-- > 0;) {
                pos[i] = std::min(pos[i], ends[i].hi);
                if (i + 1 < ends.size()) {
                    pos[i] = std::min(pos[i], pos[i + 1] - END_SPACING);
                }
            }
            for (size_t i = 0; i + 1 < ends.size(); ++i) {
                if (pos[i] < ends[i].lo - 1e-9 || pos[i + 1] - pos[i] < END_SPACING - 1e-9) {
                    return false;
                }
            }
            return true;
        };
        if (!place()) {
            // Ends held by a second, smaller box cannot keep their order
            // against the free ones: the narrowest room goes first.
            std::stable_sort(ends.begin(), ends.end(),
                             [](const End& a, const End& b) { return a.hi < b.hi; });
            place();
        }
        for (size_t i = 0; i < ends.size(); ++i) {
            if (pos[i] != ends[i].seg->get_pos()) {
                ends[i].seg->set_pos(pos[i]);
                moved = true;
            }
        }
    }
    return moved;
}

void RelatedSegments::keep_apart() {
    const size_t n = m_segs.size();
    if (n < 2) {
        return;
    }
    // Most groups have no two members that close: found by position, so
    // that a big group is not paired up in full for nothing.
    {
        std::vector<Segment*> by_pos(m_segs);
        std::sort(by_pos.begin(), by_pos.end(),
                  [](const Segment* a, const Segment* b) { return a->get_pos() < b->get_pos(); });
        bool close = false;
        for (size_t i = 0; i < n && !close; i++) {
            const Segment* a = by_pos[i];
            for (size_t j = i + 1; j < n; j++) {
                const Segment* b = by_pos[j];
                if (b->get_pos() - a->get_pos() >= std::fmax(END_SPACING, LINE_SPACING)) {
                    break;
                }
                if ((a->connector == nullptr || a->connector != b->connector) &&
                    a->get_range().is_overlap(b->get_range())) {
                    close = true;
                    break;
                }
            }
        }
        if (!close) {
            return;
        }
    }
    const CellDir across = inv(m_hv);
    const double size = get_node_g_r()->get_pos();
    const double half = END_SPACING / 2.0;
    // Where each member may go: on every box it links, clear of the
    // corners, and within its bounds; a free one within the line.
    std::vector<double> pos(n);
    std::vector<double> lo(n);
    std::vector<double> hi(n);
    for (size_t i = 0; i < n; i++) {
        const Segment* s = m_segs[i];
        pos[i] = s->get_pos();
        lo[i] = std::fmax(s->get_bound_lo(), s->get_links_elem() ? -HUGE_VAL : LINE_SPACING / 2.0);
        hi[i] = std::fmin(s->get_bound_hi(),
                          s->get_links_elem() ? HUGE_VAL : size - LINE_SPACING / 2.0);
        s->foreach_linked_elem([&](const std::shared_ptr<Element>& linked) {
            const Rectangle r = linked->get_rect();
            lo[i] = std::fmax(lo[i], r.get_start(across) + half);
            hi[i] = std::fmin(hi[i], r.get_end(across) - half);
            return true;
        });
        if (lo[i] > hi[i]) {
            // Nowhere to go that keeps every rule: it stays put.
            lo[i] = hi[i] = pos[i];
        }
        // One that the springs left outside may still move toward inside.
        lo[i] = std::fmin(lo[i], pos[i]);
        hi[i] = std::fmax(hi[i], pos[i]);
    }
    // The pairs that run beside each other, and how far apart they keep:
    // ends on one box side as far as the spreading put them.
    struct Pair {
        size_t a, b;
        double apart;
    };
    std::vector<Pair> pairs;
    for (size_t i = 0; i < n; i++) {
        const Segment* a = m_segs[i];
        const CellRangeIndex ra = a->get_range();
        for (size_t j = i + 1; j < n; j++) {
            const Segment* b = m_segs[j];
            if (a->connector != nullptr && a->connector == b->connector) {
                continue;
            }
            if (!ra.is_overlap(b->get_range())) {
                continue;
            }
            bool share = false;
            a->foreach_linked_elem([&](const std::shared_ptr<Element>& linked) {
                share = share || b->links_the_elem(linked.get());
                return true;
            });
            // Ends on two boxes may interleave with each other's ends,
            // which stand one end spacing apart.
            const double apart = share                                        ? END_SPACING
                                 : a->get_links_elem() && b->get_links_elem() ? END_SPACING / 2.0
                                                                              : LINE_SPACING;
            pairs.push_back(Pair{i, j, apart});
        }
    }
    // Each pair too close moves apart as far as it lacks, each side taking
    // half and the other side what one cannot; rounds until none lacks.
    constexpr int MAX_ROUNDS = 50;
    constexpr double EPS = 1e-6;
    for (int round = 0; round < MAX_ROUNDS; round++) {
        double worst = 0.0;
        for (const Pair& p : pairs) {
            const double d = pos[p.b] - pos[p.a];
            const double lack = p.apart - std::fabs(d);
            if (lack <= EPS) {
                continue;
            }
            // On a tie the one later in the order goes to the bigger side.
            const double dir = d < 0.0 ? -1.0 : 1.0;
            auto move = [&](size_t i, double by) {
                const double to = std::clamp(pos[i] + by, lo[i], hi[i]);
                const double moved = to - pos[i];
                pos[i] = to;
                return moved;
            };
            double left = lack;
            left -= std::fabs(move(p.a, -dir * left / 2.0));
            left -= std::fabs(move(p.b, dir * left));
            left -= std::fabs(move(p.a, -dir * left));
            bool moved = lack - std::fmax(left, 0.0) > EPS;
            if (left > EPS) {
                // Held at a limit on the side it was pushed to: it passes to
                // the other side of its neighbour, if it may go there.
                for (const auto& [i, to] : {std::pair{p.b, pos[p.a] - dir * p.apart},
                                            std::pair{p.a, pos[p.b] + dir * p.apart}}) {
                    if (lo[i] <= to && to <= hi[i]) {
                        pos[i] = to;
                        moved = true;
                        break;
                    }
                }
            }
            worst = std::fmax(worst, moved ? lack : 0.0);
        }
        if (worst <= EPS) {
            break;
        }
    }
    for (size_t i = 0; i < n; i++) {
        if (pos[i] != m_segs[i]->get_pos()) {
            m_segs[i]->set_pos(pos[i]);
        }
    }
}

void RelatedSegments::adjust_start_and_end_pos() {
    for (Segment* s : m_segs) {
        if (s->prev != nullptr && s->next != nullptr) {
            continue;
        }
        const MovingDir d = s->get_udlr();
        if (s->start_elem) {
            adjust_pos_linked_rect(s->start_point, s->start_elem->get_rect(), d);
        } else if (s->prev == nullptr) {
            adjust_pos_center_rect(s->start_point, m_grid.get_rectangle(s->start.h, s->start.v));
        }
        if (s->end_elem) {
            adjust_pos_linked_rect(s->end_point, s->end_elem->get_rect(), inv(d));
        } else if (s->next == nullptr) {
            adjust_pos_center_rect(s->end_point, m_grid.get_rectangle(s->end.h, s->end.v));
        }
        if (s->start_term) {
            s->start_term->layout_by_segment(*s, false);
            adjust_pos_setback(s->start_point, s->start_term->get_seg_term_setback(), d);
        }
        if (s->end_term) {
            s->end_term->layout_by_segment(*s, true);
            adjust_pos_setback(s->end_point, s->end_term->get_seg_term_setback(), inv(d));
        }
    }
}

void RelatedSegments::layout() {
    sort();
    assign_tracks();
    link();
    ready_to_sim();
    sim();
    spread_ends_on_sides();
    // Where keeping apart pushed ends on a side together, the decorations
    // come first: they must not overlap. A few turns of both settle what
    // can be settled.
    for (int turn = 0; turn < 4; turn++) {
        keep_apart();
        if (!spread_ends_on_sides()) {
            break;
        }
    }
    adjust_start_and_end_pos();
}

void RelatedSegments::adjust_pos_linked_rect(Point& p, const Rectangle& rect, MovingDir dir) const {
    switch (dir) {
        case MovingDir::UP:
            p.y = rect.y;
            break;
        case MovingDir::DOWN:
            p.y = rect.y + rect.height;
            break;
        case MovingDir::LEFT:
            p.x = rect.x;
            break;
        case MovingDir::RIGHT:
            p.x = rect.x + rect.width;
            break;
    }
}

void RelatedSegments::adjust_pos_center_rect(Point& p, const Rectangle& rect) const {
    if (m_hv == CellDir::H) {
        p.x = rect.width / 2.0;
    } else {
        p.y = rect.height / 2.0;
    }
}

void RelatedSegments::adjust_pos_setback(Point& p, int setback, MovingDir dir) const {
    switch (dir) {
        case MovingDir::UP:
            p.y -= setback;
            break;
        case MovingDir::DOWN:
            p.y += setback;
            break;
        case MovingDir::LEFT:
            p.x -= setback;
            break;
        case MovingDir::RIGHT:
            p.x += setback;
            break;
    }
}

bool RelatedSegments::get_is_laid_out() const {
    return std::all_of(m_segs.begin(), m_segs.end(),
                       [](const Segment* s) { return s->is_laid_out; });
}

std::shared_ptr<Element> RelatedSegments::get_linked_min_side_size_elem() const {
    const CellDir across = inv(m_hv);
    std::shared_ptr<Element> best;
    double best_size = 0.0;
    for (const Segment* s : m_segs) {
        auto elem = s->get_linked_min_side_size_elem();
        if (!elem) {
            continue;
        }
        const double size = elem->get_rect().get_size(across);
        if (!best || size < best_size) {
            best = elem;
            best_size = size;
        }
    }
    return best;
}

}  // namespace Model

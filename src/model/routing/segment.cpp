#include "model/routing/segment.hpp"

#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "common/log.hpp"
#include "model/element.hpp"

namespace Model {

std::string to_string(SegmentTerm t) {
    switch (t) {
        case SegmentTerm::START:
            return "START";
        case SegmentTerm::END:
            return "END";
    }
    return "(invalid)";
}

const char* to_nick(SegmentTerm t) {
    switch (t) {
        case SegmentTerm::START:
            return "start";
        case SegmentTerm::END:
            return "end";
    }
    return "";
}

std::string to_string(SegmentForm f) {
    switch (f) {
        case SegmentForm::UNDETERMINED:
            return "UNDETERMINED";
        case SegmentForm::L_DEC_NONE:
            return "L_DEC_NONE";
        case SegmentForm::L_NONE_DEC:
            return "L_NONE_DEC";
        case SegmentForm::U_DEC_DEC:
            return "U_DEC_DEC";
        case SegmentForm::C_DEC_INC:
            return "C_DEC_INC";
        case SegmentForm::B_NONE_NONE:
            return "B_NONE_NONE";
        case SegmentForm::C_INC_DEC:
            return "C_INC_DEC";
        case SegmentForm::U_INC_INC:
            return "U_INC_INC";
        case SegmentForm::L_NONE_INC:
            return "L_NONE_INC";
        case SegmentForm::L_INC_NONE:
            return "L_INC_NONE";
    }
    return "(invalid)";
}

const char* to_nick(SegmentForm f) {
    switch (f) {
        case SegmentForm::UNDETERMINED:
            return "undetermined";
        case SegmentForm::L_DEC_NONE:
            return "l-dec-none";
        case SegmentForm::L_NONE_DEC:
            return "l-none-dec";
        case SegmentForm::U_DEC_DEC:
            return "u-dec-dec";
        case SegmentForm::C_DEC_INC:
            return "c-dec-inc";
        case SegmentForm::B_NONE_NONE:
            return "b-none-none";
        case SegmentForm::C_INC_DEC:
            return "c-inc-dec";
        case SegmentForm::U_INC_INC:
            return "u-inc-inc";
        case SegmentForm::L_NONE_INC:
            return "l-none-inc";
        case SegmentForm::L_INC_NONE:
            return "l-inc-none";
    }
    return "";
}

Segment::Segment(const CellPos& start_, const CellPos& end_, Segment* prev_, Segment* next_)
    : start(start_), end(end_), prev(prev_), next(next_) {}

CellDir Segment::get_hv() const {
    return start.h == end.h ? CellDir::V : CellDir::H;
}

MovingDir Segment::get_udlr() const {
    if (get_hv() == CellDir::V) {
        return end.v > start.v ? MovingDir::DOWN : MovingDir::UP;
    }
    return end.h > start.h ? MovingDir::RIGHT : MovingDir::LEFT;
}

CellRangeIndex Segment::get_range() const {
    const CellDir hv = get_hv();
    CellRangeIndex r(start.get(hv), end.get(hv));
    r.ensure_consistency();
    return r;
}

CellRangeIndex Segment::get_range_without_elem() const {
    const CellDir hv = get_hv();
    const MovingDir d = get_udlr();
    // +1 steps from start toward end for DOWN and RIGHT, -1 for UP and LEFT.
    const int32_t step = (d == MovingDir::DOWN || d == MovingDir::RIGHT) ? 1 : -1;
    int32_t s = start.get(hv);
    int32_t e = end.get(hv);
    if (start_elem) {
        s += step;
    }
    if (end_elem) {
        e -= step;
    }
    CellRangeIndex r(s, e);
    r.ensure_consistency();
    return r;
}

int Segment::get_size() const {
    const CellDir hv = get_hv();
    return std::abs(end.get(hv) - start.get(hv)) + 1;
}

int Segment::get_cell_pos_orth() const {
    return start.get(inv(get_hv()));
}

double Segment::get_pos() const {
    return get_hv() == CellDir::V ? start_point.x : start_point.y;
}

void Segment::set_pos(double pos) {
    // The offset runs across the segment: x for a vertical one, y for a
    // horizontal one.
    const CellDir across = inv(get_hv());
    start_point.set(across, pos);
    end_point.set(across, pos);
    if (prev) {
        prev->end_point.set(across, pos);
    }
    if (next) {
        next->start_point.set(across, pos);
    }
    is_laid_out = true;
}

double Segment::get_energy() const {
    const int count = get_springs_count();
    if (count == 0) {
        return 0.0;
    }
    double sum = 0.0;
    for (const auto& s : m_left_springs) {
        sum += s->get_energy();
    }
    for (const auto& s : m_right_springs) {
        sum -= s->get_energy();
    }
    return sum / static_cast<double>(count);
}

int Segment::get_springs_count() const {
    return static_cast<int>(m_left_springs.size() + m_right_springs.size());
}

void Segment::init_link_spring() {
    m_left_springs.clear();
    m_right_springs.clear();
    m_bound_lo = -HUGE_VAL;
    m_bound_hi = HUGE_VAL;
}

static void add_unique(Segment::SpringList& list, const std::shared_ptr<SpringEdge>& spring) {
    for (const auto& s : list) {
        if (s == spring) {
            return;
        }
    }
    list.push_back(spring);
}

void Segment::link_left_spring(const std::shared_ptr<SpringEdge>& spring) {
    LX_RETURN_IF_FAIL(spring != nullptr);
    add_unique(m_left_springs, spring);
}

void Segment::link_right_spring(const std::shared_ptr<SpringEdge>& spring) {
    LX_RETURN_IF_FAIL(spring != nullptr);
    add_unique(m_right_springs, spring);
}

bool Segment::foreach_spring_edge(
    const std::function<bool(LinkDir, const std::shared_ptr<SpringEdge>&)>& fn) const {
    for (const auto& s : m_left_springs) {
        fn(LinkDir::LEFT, s);
    }
    for (const auto& s : m_right_springs) {
        fn(LinkDir::RIGHT, s);
    }
    return true;
}

void Segment::clamp_pos() {
    double lower = std::fmax(DBL_MIN, m_bound_lo);
    double upper = std::fmin(DBL_MAX, m_bound_hi);
    for (const auto& s : m_right_springs) {
        if (!s->get_push_only()) {
            upper = std::fmin(upper, s->get_right_term_pos());
        }
    }
    for (const auto& s : m_left_springs) {
        if (!s->get_push_only()) {
            lower = std::fmax(lower, s->get_left_term_pos());
        }
    }
    const double pos = get_pos();
    if (pos < lower) {
        set_pos(lower);
    } else if (pos > upper) {
        set_pos(upper);
    }
}

bool Segment::links_the_elem(const Element* elem) const {
    LX_RETURN_VAL_IF_FAIL(elem != nullptr, false);
    return start_elem.get() == elem || end_elem.get() == elem;
}

bool Segment::foreach_linked_elem(
    const std::function<bool(const std::shared_ptr<Element>&)>& fn) const {
    if (start_elem && !fn(start_elem)) {
        return false;
    }
    if (end_elem && !fn(end_elem)) {
        return false;
    }
    return true;
}

bool Segment::get_is_start_near_to_org() const {
    const CellDir hv = get_hv();
    return end.get(hv) >= start.get(hv);
}

std::shared_ptr<Element> Segment::get_linked_elem_near_to_org() const {
    return get_is_start_near_to_org() ? start_elem : end_elem;
}

std::shared_ptr<Element> Segment::get_linked_elem_far_from_org() const {
    return get_is_start_near_to_org() ? end_elem : start_elem;
}

std::shared_ptr<Element> Segment::get_linked_min_side_size_elem() const {
    if (!get_links_elem()) {
        return nullptr;
    }
    const CellDir across = inv(get_hv());
    auto near = get_linked_elem_near_to_org();
    auto far = get_linked_elem_far_from_org();
    // A missing element counts as infinitely wide.
    const double near_size = near ? near->get_rect().get_size(across) : DBL_MAX;
    const double far_size = far ? far->get_rect().get_size(across) : DBL_MAX;
    if (std::fabs(near_size - far_size) < 0.0001) {
        return near;
    }
    return near_size < far_size ? near : far;
}

double Segment::get_min_elem_size() const {
    if (!get_links_elem()) {
        return 0.0;
    }
    const CellDir hv = get_hv();
    double size = DBL_MAX;
    foreach_linked_elem([&](const std::shared_ptr<Element>& e) {
        size = std::fmin(size, e->get_rect().get_size(hv));
        return true;
    });
    return size;
}

bool Segment::is_pos_collinear(const CellPos& pos) const {
    const CellDir across = inv(get_hv());
    return pos.get(across) == start.get(across);
}

bool Segment::is_seg_collinear(const Segment& seg) const {
    return get_hv() == seg.get_hv() && get_cell_pos_orth() == seg.get_cell_pos_orth();
}

bool Segment::is_term_pos_eq(const CellPos& pos) const {
    return pos == start || pos == end;
}

Segment* Segment::get_smaller_segment() const {
    return get_is_start_near_to_org() ? prev : next;
}

Segment* Segment::get_bigger_segment() const {
    return get_is_start_near_to_org() ? next : prev;
}

CellPos Segment::get_further_pos(const Segment* seg) const {
    LX_RETURN_VAL_IF_FAIL(seg != nullptr, CellPos(-1, -1));
    if (seg == prev) {
        return prev->start;
    }
    if (seg == next) {
        return next->end;
    }
    return CellPos(-1, -1);
}

SegmentForm Segment::get_form() const {
    if (m_form != SegmentForm::UNDETERMINED) {
        return m_form;
    }
    const CellDir o = inv(get_hv());
    const int32_t c = start.get(o);
    auto side = [&](const Segment* neighbour) -> int {
        if (!neighbour) {
            return 0;
        }
        const CellPos p = get_further_pos(neighbour);
        if (!p.is_valid()) {
            return 0;
        }
        const int32_t q = p.get(o);
        return q < c ? -1 : (q > c ? 1 : 0);
    };
    const int smaller = side(get_smaller_segment());
    const int bigger = side(get_bigger_segment());
    // Indexed by [smaller + 1][bigger + 1] (dec, none, inc).
    static constexpr SegmentForm TABLE[3][3] = {
        {SegmentForm::U_DEC_DEC, SegmentForm::L_DEC_NONE, SegmentForm::C_DEC_INC},
        {SegmentForm::L_NONE_DEC, SegmentForm::B_NONE_NONE, SegmentForm::L_NONE_INC},
        {SegmentForm::C_INC_DEC, SegmentForm::L_INC_NONE, SegmentForm::U_INC_INC},
    };
    m_form = TABLE[smaller + 1][bigger + 1];
    return m_form;
}

namespace {

// Forms that may share springs: a form links only with forms of its group.
int linkable_group(SegmentForm f) {
    switch (f) {
        case SegmentForm::L_NONE_DEC:
        case SegmentForm::L_NONE_INC:
            return 1;
        case SegmentForm::L_DEC_NONE:
        case SegmentForm::L_INC_NONE:
            return 2;
        case SegmentForm::U_DEC_DEC:
        case SegmentForm::C_DEC_INC:
        case SegmentForm::C_INC_DEC:
        case SegmentForm::U_INC_INC:
            return 3;
        default:
            return 0;
    }
}

}  // namespace

bool Segment::is_seg_linkable(const Segment& seg) const {
    const SegmentForm a = get_form();
    const SegmentForm b = seg.get_form();
    if (a == SegmentForm::B_NONE_NONE || b == SegmentForm::B_NONE_NONE) {
        return true;
    }
    const int ga = linkable_group(a);
    return ga != 0 && ga == linkable_group(b);
}

int Segment::cmp(const Segment& a, const Segment& b) {
    const SegmentForm fa = a.get_form();
    const SegmentForm fb = b.get_form();
    if (fa == fb) {
        if (a.get_linked_elem_near_to_org() != b.get_linked_elem_near_to_org()) {
            return -1;
        }
        if (a.get_linked_elem_far_from_org() != b.get_linked_elem_far_from_org()) {
            return 1;
        }
        const int sa = a.get_size();
        const int sb = b.get_size();
        if (sa == sb) {
            return 0;
        }
        // Nested routes of one shape must not cross: for some shapes the
        // longer segment goes first, for the others the shorter.
        return static_cast<int>(fa) >= static_cast<int>(SegmentForm::B_NONE_NONE) ? sb - sa
                                                                                  : sa - sb;
    }
    auto in = [](SegmentForm f, SegmentForm x, SegmentForm y) { return f == x || f == y; };
    if (in(fa, SegmentForm::L_DEC_NONE, SegmentForm::L_NONE_DEC) &&
        in(fb, SegmentForm::L_DEC_NONE, SegmentForm::L_NONE_DEC)) {
        return static_cast<int>(b.get_min_elem_size() - a.get_min_elem_size());
    }
    if (in(fa, SegmentForm::L_INC_NONE, SegmentForm::L_NONE_INC) &&
        in(fb, SegmentForm::L_INC_NONE, SegmentForm::L_NONE_INC)) {
        return static_cast<int>(a.get_min_elem_size() - b.get_min_elem_size());
    }
    return static_cast<int>(fa) - static_cast<int>(fb);
}

void Segment::debug_lr_linked_spring() const {
    LX_DEBUG("seg:%p", static_cast<const void*>(this));
    foreach_spring_edge([](LinkDir d, const std::shared_ptr<SpringEdge>& s) {
        LX_DEBUG("  %s linked %p", to_string(d).c_str(), static_cast<const void*>(s.get()));
        return true;
    });
}

}  // namespace Model

#pragma once

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/cell_pos.hpp"
#include "common/cell_range_index.hpp"
#include "common/directions.hpp"
#include "common/point.hpp"
#include "model/routing/layoutable_node.hpp"
#include "model/routing/spring_edge.hpp"

namespace Model {

class Element;
class IConnectorTerm;
class AbstractConnectorElement;

// An end of a segment.
enum class SegmentTerm { START = 0, END = 1 };

std::string to_string(SegmentTerm t);
const char* to_nick(SegmentTerm t);

// The shape of a segment with its two neighbours. For the end with the
// smaller and then the bigger coordinate along the segment, where the
// neighbour there goes across it: DEC toward smaller coordinates, INC toward
// bigger ones, NONE when there is none. L: one neighbour; U: both turn the
// same way; C: they turn opposite ways; B: a bare segment.
enum class SegmentForm {
    UNDETERMINED = 0,
    L_DEC_NONE = 1,
    L_NONE_DEC = 2,
    U_DEC_DEC = 3,
    C_DEC_INC = 4,
    B_NONE_NONE = 5,
    C_INC_DEC = 6,
    U_INC_INC = 7,
    L_NONE_INC = 8,
    L_INC_NONE = 9,
};

// "L_DEC_NONE"
std::string to_string(SegmentForm f);
// "l-dec-none"
const char* to_nick(SegmentForm f);

// One straight piece of a routed connector, along a column (vertical) or a
// row (horizontal). Its layoutable position is its offset across that column
// or row; its points are offsets inside the start and the end cell.
//
// Create segments with std::make_shared: springs refer to them weakly.
class Segment : public AbstractLayoutableNode {
  public:
    using SpringList = std::vector<std::shared_ptr<SpringEdge>>;

    Segment(const CellPos& start, const CellPos& end, Segment* prev = nullptr,
            Segment* next = nullptr);

    CellPos start;
    CellPos end;
    Point start_point;
    Point end_point;
    // Neighbours in the same route. The connector's segment list owns all of
    // them, so they live exactly as long as this one.
    Segment* prev = nullptr;
    Segment* next = nullptr;
    // The classes at the route's ends and the connector's end decorations;
    // set on the first and the last segment only.
    std::shared_ptr<Element> start_elem;
    std::shared_ptr<Element> end_elem;
    std::shared_ptr<IConnectorTerm> start_term;
    std::shared_ptr<IConnectorTerm> end_term;
    // The owning connector; it outlives its segments.
    AbstractConnectorElement* connector = nullptr;
    // Cleared to ask the layouter for a new layout; any set_pos sets it.
    bool is_laid_out = false;

    // V when start and end share a column (also for a one-cell segment).
    CellDir get_hv() const;
    // The direction from start to end; UP for a one-cell segment.
    MovingDir get_udlr() const;
    // Start to end along the segment's axis, ordered.
    CellRangeIndex get_range() const;
    // The same without the cells of linked elements, so two connectors that
    // merely meet at one class are not taken for neighbours.
    CellRangeIndex get_range_without_elem() const;
    // Number of cells.
    int get_size() const;
    // The column of a vertical segment, the row of a horizontal one.
    int get_cell_pos_orth() const;

    double get_pos() const override;
    // Moves both points, and the joined points of prev and next, across the
    // segment, so the route stays connected; marks the segment laid out.
    void set_pos(double pos) override;
    // Left springs add their energy, right springs subtract theirs; the sum
    // is averaged over all springs. 0 without springs.
    double get_energy() const override;

    int get_springs_count() const;
    void init_link_spring();
    // A left spring has this segment as its right node; a right spring as its
    // left node. Adding a spring twice keeps one.
    void link_left_spring(const std::shared_ptr<SpringEdge>& spring);
    void link_right_spring(const std::shared_ptr<SpringEdge>& spring);
    const SpringList& get_left_springs() const { return m_left_springs; }
    const SpringList& get_right_springs() const { return m_right_springs; }
    // Left springs, then right springs; fn's answer does not stop the walk.
    bool foreach_spring_edge(
        const std::function<bool(LinkDir, const std::shared_ptr<SpringEdge>&)>& fn) const;
    // Keeps the position between the nearest left and right neighbours,
    // within the bounds and above 0 (the smallest positive double).
    void clamp_pos();
    // Limits on the position that no spring sets, such as room for the
    // decoration before a turn; dropped with the springs.
    void set_bounds(double lo, double hi) {
        m_bound_lo = lo;
        m_bound_hi = hi;
    }
    double get_bound_lo() const { return m_bound_lo; }
    double get_bound_hi() const { return m_bound_hi; }

    bool links_the_elem(const Element* elem) const;
    bool get_links_elem() const { return start_elem || end_elem; }
    std::shared_ptr<Element> get_linked_elem() const { return start_elem ? start_elem : end_elem; }
    // start_elem then end_elem, those present; stops when fn answers false.
    bool foreach_linked_elem(const std::function<bool(const std::shared_ptr<Element>&)>& fn) const;
    // Whether the start is the end nearer to the origin (end >= start).
    bool get_is_start_near_to_org() const;
    std::shared_ptr<Element> get_linked_elem_near_to_org() const;
    std::shared_ptr<Element> get_linked_elem_far_from_org() const;
    // Of the near and the far element, the one narrower across the segment
    // (the near one on a tie); null when none is linked.
    std::shared_ptr<Element> get_linked_min_side_size_elem() const;
    // The smaller extent of the linked elements along the segment; 0 if none.
    double get_min_elem_size() const;

    bool is_pos_collinear(const CellPos& pos) const;
    bool is_seg_collinear(const Segment& seg) const;
    bool is_term_pos_eq(const CellPos& pos) const;
    Segment* get_smaller_segment() const;
    Segment* get_bigger_segment() const;
    // The far end of prev or next; (-1, -1) for any other segment.
    CellPos get_further_pos(const Segment* seg) const;
    // Computed on first call and kept: ask only once the route has linked
    // all its segments.
    SegmentForm get_form() const;
    bool is_seg_linkable(const Segment& seg) const;
    // The order of segments sharing a column or row; negative when a comes
    // first. Not a strict weak order (two segments of one form with
    // different near elements each come first), so sort with
    // std::stable_sort: std::sort may read past the range on such input.
    static int cmp(const Segment& a, const Segment& b);

    void debug_lr_linked_spring() const;

  private:
    SpringList m_left_springs;
    SpringList m_right_springs;
    mutable SegmentForm m_form = SegmentForm::UNDETERMINED;
    double m_bound_lo = -HUGE_VAL;
    double m_bound_hi = HUGE_VAL;
};

}  // namespace Model

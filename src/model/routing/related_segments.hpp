#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/directions.hpp"
#include "common/point.hpp"
#include "common/rectangle.hpp"

namespace Model {

class Element;
class FixedLayoutableNode;
class ILayoutableNode;
class Grid;
class Segment;

// The segments that share one column (vertical) or row (horizontal) and
// whose cell ranges overlap. A temporary: built when the layouter needs it,
// it spreads its members across the line and joins their ends to the class
// boxes. Positions are offsets across the line, relative to its near edge.
class RelatedSegments {
  public:
    // Builds seg's group from the candidates in seg_set (which may be the
    // whole segment set or only the segments on seg's line; the group is the
    // same). Drops the springs of every member. grid must outlive the group.
    RelatedSegments(const std::vector<Segment*>& seg_set, Segment& seg, const Grid& grid);
    ~RelatedSegments();

    RelatedSegments(const RelatedSegments&) = delete;
    RelatedSegments& operator=(const RelatedSegments&) = delete;

    // Members by connector uid and place in the route until layout() sorts them.
    const std::vector<Segment*>& get_segments() const { return m_segs; }
    CellDir get_hv() const { return m_hv; }
    int32_t get_cell_pos_orth() const { return m_cell_pos_orth; }
    const std::shared_ptr<Element>& get_e1() const { return m_e1; }
    const std::shared_ptr<Element>& get_e2() const { return m_e2; }
    int get_e1_count() const { return m_e1_count; }
    int get_e2_count() const { return m_e2_count; }
    double get_e1_len() const { return m_e1_len; }
    double get_e2_len() const { return m_e2_len; }
    double get_width() const { return m_width; }
    double get_offset() const { return m_offset; }

    // The walls, each made on first request: the two edges of the line of
    // cells, and the two edges of e1's and e2's boxes across the line.
    std::shared_ptr<FixedLayoutableNode> get_node_g_l();
    std::shared_ptr<FixedLayoutableNode> get_node_g_r();
    std::shared_ptr<FixedLayoutableNode> get_node_e1_l();
    std::shared_ptr<FixedLayoutableNode> get_node_e1_r();
    std::shared_ptr<FixedLayoutableNode> get_node_e2_l();
    std::shared_ptr<FixedLayoutableNode> get_node_e2_r();
    // Makes both walls of elem anew when either is missing.
    void update_node_lr(const std::shared_ptr<Element>& elem,
                        std::shared_ptr<FixedLayoutableNode>& l,
                        std::shared_ptr<FixedLayoutableNode>& r);
    void count_e1_and_e2(const Segment& seg);

    // The steps of layout(), public so each can be checked on its own.
    // Sorts the members into their order across the line.
    void sort();
    // Gives each member (in sorted order) the lowest track beyond those of
    // the earlier members it runs beside, so the order holds wherever two
    // meet; answers the number of tracks, what the line must make room for.
    int assign_tracks();
    int get_track_count() const { return m_track_count; }
    void link();
    void ready_to_sim();
    void sim();
    // Moves the ends on each box side at least END_SPACING apart, where the
    // springs left them closer, keeping each on every box it links. True
    // when it moved any.
    bool spread_ends_on_sides();
    // Pushes apart, within where each may go, the members of different
    // connectors that run beside each other closer than the spacing, such
    // as ends on the two boxes across a gap that meet where both turn.
    void keep_apart();
    void adjust_start_and_end_pos();
    // Sorts the members, assigns tracks, then runs the steps above.
    void layout();

    // Moves p onto the side of rect that faces dir.
    void adjust_pos_linked_rect(Point& p, const Rectangle& rect, MovingDir dir) const;
    // Moves p to the middle of rect (a cell-relative box) along the line.
    void adjust_pos_center_rect(Point& p, const Rectangle& rect) const;
    // Moves p by setback pixels toward dir.
    void adjust_pos_setback(Point& p, int setback, MovingDir dir) const;

    bool get_is_laid_out() const;
    // The linked element that is narrowest across the line; null if none.
    std::shared_ptr<Element> get_linked_min_side_size_elem() const;

    // The iteration count of the last sim(), for tests and benchmarks.
    int get_last_sim_iterations() const { return m_last_sim_iterations; }

    // The simulation stops once no member moves by SIM_REST_MOVE pixels in
    // an iteration; the cap only guards against a group that oscillates.
    static constexpr int SIM_MAX_ITERATIONS = 400;
    static constexpr double SIM_REST_MOVE = 0.05;
    static constexpr double SIM_VELOCITY_FACTOR = 0.3;
    // The distance kept between neighbouring segments of a line; lines are
    // sized to give each segment this much room.
    static constexpr double LINE_SPACING = 8.0;
    // The distance kept between the connector ends on one side of a class
    // box: a decoration is 8 px wide, so neighbours keep 2 px clear. A side
    // with n ends is at least (n + 1) times this long.
    static constexpr double END_SPACING = 10.0;
    // The length of every end decoration along its segment.
    static constexpr double DECORATION_LENGTH = 16.0;
    // The line kept between a decoration's base and the turn after it, so
    // the turn reads as a turn and not as part of the decoration.
    static constexpr double TURN_CLEARANCE = 4.0;
    // The least room between a box and the edge of its cell: half the
    // margin a line adds to its largest box.
    static constexpr double MIN_BOX_GAP = 5.0;
    // How much more than the usual spacing a line needs on a side where a
    // route turns right after a decorated end on the class beyond it.
    static constexpr double TURN_ROOM =
        DECORATION_LENGTH + TURN_CLEARANCE - MIN_BOX_GAP - LINE_SPACING;

  private:
    // Bounds each member that turns out of an end segment with a decoration
    // so the turn lies beyond the decoration; the free members' tracks move
    // in from the sides that hold such a turn.
    void bound_turns();
    // width and offset: the whole line when a member is free, else the
    // wider of the linked boxes.
    void set_span();
    // Puts the members on the fewest tracks that hold them, when their order
    // asks for more tracks than the line has room for.
    void compact_tracks();
    // The distance between neighbouring tracks across the span.
    double track_gap() const { return m_width / (m_track_count + 1); }
    void add_spring(const std::shared_ptr<ILayoutableNode>& left,
                    const std::shared_ptr<ILayoutableNode>& right, double length, Segment* on_left,
                    Segment* on_right, bool push_only = false);

    const Grid& m_grid;
    std::vector<Segment*> m_segs;
    CellDir m_hv = CellDir::V;
    int32_t m_cell_pos_orth = 0;
    std::shared_ptr<FixedLayoutableNode> m_node_g_l;
    std::shared_ptr<FixedLayoutableNode> m_node_g_r;
    std::shared_ptr<FixedLayoutableNode> m_node_e1_l;
    std::shared_ptr<FixedLayoutableNode> m_node_e1_r;
    std::shared_ptr<FixedLayoutableNode> m_node_e2_l;
    std::shared_ptr<FixedLayoutableNode> m_node_e2_r;
    std::shared_ptr<Element> m_e1;
    std::shared_ptr<Element> m_e2;
    int m_e1_count = 0;
    int m_e2_count = 0;
    double m_e1_len = 0.0;
    double m_e2_len = 0.0;
    double m_width = 0.0;
    double m_offset = 0.0;
    int m_last_sim_iterations = 0;
    // Per member, in sorted order; empty until assign_tracks.
    std::vector<int> m_tracks;
    int m_track_count = 0;
    // How far the free members' tracks keep off each edge of the line.
    double m_inset_lo = 0.0;
    double m_inset_hi = 0.0;
};

}  // namespace Model

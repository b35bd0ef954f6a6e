#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/cell_pos.hpp"
#include "common/directions.hpp"

namespace Model {

class Element;
class Grid;
class RelatedSegments;
class Segment;

// Every segment of the workspace's connectors, and the layout of their
// groups. The is_laid_out flags on the segments are the layouter's memory of
// which groups need another layout.
//
// The set is indexed by line (orientation and column or row), so building a
// group reads only the segments of its own line instead of the whole set;
// the group is the same as a scan of the whole set would give, members in
// the same order, because both keep insertion order. A second index by the
// cells where segments start and end lets clearing a cross line visit only
// the segments it concerns.
class SegmentLayouter {
  public:
    explicit SegmentLayouter(std::shared_ptr<const Grid> grid);
    ~SegmentLayouter();

    // True when seg was not a member yet. The layouter holds a reference.
    bool add(const std::shared_ptr<Segment>& seg);
    // True when seg was a member.
    bool remove(const std::shared_ptr<Segment>& seg);
    bool contains(const std::shared_ptr<Segment>& seg) const;
    int size() const { return static_cast<int>(m_entries.size()); }
    void clear();
    // Members in insertion order.
    std::vector<Segment*> get_segments() const;
    // Members on seg's line, in insertion order.
    std::vector<Segment*> get_segments_on_line(const Segment& seg) const;

    // Sets is_laid_out on every segment that lies on cross_pos's row or
    // column, or that starts or ends there in its own direction.
    void set_seg_laid_out_on_cross_line(const CellPos& cross_pos, bool value);
    void set_related_seg_laid_out(Segment& seg, bool value);
    std::unique_ptr<RelatedSegments> new_related_segments(Segment& seg) const;
    // Lays out seg's group unless it is already laid out.
    void layout(Segment& seg);
    // Lays out every group that holds a segment not laid out.
    void layout_not_laid_out_segs();

    // ---- room for the segments --------------------------------------------
    // The grid lines whose segments changed since the last call, as (grid
    // axis, index): a vertical segment's column is (H, column). Sorted.
    std::vector<std::pair<CellDir, int32_t>> take_changed_lines();
    // The most segments side by side in one cell of the grid line (axis,
    // index), counting the cells between their classes. It depends on the
    // routes alone, not on the order of the segments across the line, which
    // follows the sizes of the boxes they end on.
    int get_max_side_by_side(CellDir axis, int32_t index) const;
    // How many straight connectors with a decoration at both ends cross the
    // grid line (axis, index) as the one line between their two classes:
    // the two decorations face each other across it.
    int get_facing_decorations(CellDir axis, int32_t index) const;
    // The most decorations (0, 1 or 2) of one straight connector that joins
    // a class on the grid line (axis, index) to the class in the next cell:
    // between the two boxes there is nothing but the cells' margins.
    int get_neighbour_decorations(CellDir axis, int32_t index) const;
    // Whether a route turns in the grid line (axis, index) right after a
    // decorated end on a class in the line before it (first) or after it
    // (second): the turn must keep clear of the decoration.
    std::pair<bool, bool> get_turns_after_decorations(CellDir axis, int32_t index) const;
    // Clears or sets is_laid_out of what a new size of that grid line moves:
    // the segments along it and those ending in it.
    void set_seg_laid_out_on_grid_line(CellDir axis, int32_t index, bool value);

    // ---- room for the connector ends ---------------------------------------
    // How many connector ends meet each side of a class box. Counted from
    // the segments as they come and go, so it follows the routes alone.
    struct EndCounts {
        // By the side of the box, indexed by MovingDir: UP is the top side.
        int on_side[4] = {0, 0, 0, 0};
        int most_across_h() const { return std::max(on_side[0], on_side[1]); }
        int most_across_v() const { return std::max(on_side[2], on_side[3]); }
    };
    EndCounts get_end_counts(const Element& elem) const;
    // The classes whose end counts changed since the last call, with the
    // cell each was counted at, sorted by cell.
    std::vector<std::pair<CellPos, std::shared_ptr<Element>>> take_changed_ends();
    // Every class that has ends counted, with the cell of its latest end.
    std::vector<std::pair<CellPos, std::shared_ptr<Element>>> get_counted_ends() const;
    // Reports elem at pos among the changed ones: for a layouter that takes
    // over from another, whose classes may have lost their ends.
    void mark_ends_changed(const CellPos& pos, const std::shared_ptr<Element>& elem);

    // ---- for tests and benchmarks only ------------------------------------
    // When false, group building and cross-line clearing scan the whole
    // set, so the indexes can be compared against the plain scan.
    void set_use_line_index(bool value) { m_use_line_index = value; }

  private:
    // A line or an end coordinate: orientation and index in one number.
    using Key = uint64_t;
    static Key key(CellDir hv, int32_t index) {
        return (static_cast<Key>(hv == CellDir::V) << 32) | static_cast<uint32_t>(index);
    }
    // Members by ascending insertion number. Sequence numbers only grow, so
    // adding appends; a removal from the whole-set list leaves a null that
    // is swept out once they pile up.
    using SeqList = std::vector<std::pair<uint64_t, Segment*>>;
    struct Entry {
        std::shared_ptr<Segment> seg;
        uint64_t seq;
        Key line;
        Key start_key;
        Key end_key;
        // The line the route turns in after a decorated end, and on which
        // side of it the class lies (0 before, 1 after); -1 for none.
        Key turn_line = 0;
        int turn_side = -1;
    };

    static Key line_of(const Segment& seg);
    static void erase_seq(SeqList& list, uint64_t seq);
    void erase_from(std::unordered_map<Key, SeqList>& index, Key k, uint64_t seq);
    void set_laid_out_in(const std::unordered_map<Key, SeqList>& index, Key k, bool value);

    std::shared_ptr<const Grid> m_grid;
    uint64_t m_next_seq = 0;
    SeqList m_order;
    size_t m_removed_in_order = 0;
    std::unordered_map<const Segment*, Entry> m_entries;
    std::unordered_map<Key, SeqList> m_lines;
    // Segments by their own direction and the coordinate along it of their
    // start and of their end cell (once when both are the same).
    std::unordered_map<Key, SeqList> m_ends;
    bool m_use_line_index = true;
    std::vector<Key> m_changed_lines;

    // +1 or -1 for seg's ends on its classes.
    void count_ends(const Segment& seg, int delta);
    // +1 or -1 for the line seg crosses between two decorations facing, or,
    // with one decoration or two, for the two lines of neighbouring classes
    // it joins.
    void count_facing(const Segment& seg, int delta);
    std::unordered_map<Key, int> m_facing;
    std::unordered_map<Key, int> m_facing_neighbours;
    std::unordered_map<Key, int> m_decorated_neighbours;
    void count_turn(const Entry& entry, int delta);
    std::unordered_map<Key, std::pair<int, int>> m_turns;
    struct CountedEnds {
        EndCounts counts;
        std::weak_ptr<Element> elem;
        CellPos pos;
    };
    std::unordered_map<const Element*, CountedEnds> m_end_counts;
    std::vector<std::pair<CellPos, std::shared_ptr<Element>>> m_changed_ends;
};

}  // namespace Model

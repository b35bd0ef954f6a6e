#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "common/cell_pos.hpp"
#include "common/directions.hpp"

namespace Model {

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
// the same order, because both keep insertion order.
class SegmentLayouter {
  public:
    explicit SegmentLayouter(std::shared_ptr<const Grid> grid);
    ~SegmentLayouter();

    // True when seg was not a member yet. The layouter holds a reference.
    bool add(const std::shared_ptr<Segment>& seg);
    // True when seg was a member.
    bool remove(const std::shared_ptr<Segment>& seg);
    bool contains(const std::shared_ptr<Segment>& seg) const;
    int size() const { return static_cast<int>(m_by_seq.size()); }
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

    // When false, group building scans the whole set; kept so tests and the
    // benchmark can compare the index against the plain scan.
    void set_use_line_index(bool value) { m_use_line_index = value; }

  private:
    struct LineKey {
        CellDir hv;
        int32_t orth;
        bool operator<(const LineKey& o) const { return hv != o.hv ? hv < o.hv : orth < o.orth; }
    };
    struct Entry {
        std::shared_ptr<Segment> seg;
        uint64_t seq;
        LineKey line;
    };

    static LineKey line_of(const Segment& seg);

    std::shared_ptr<const Grid> m_grid;
    uint64_t m_next_seq = 0;
    std::map<uint64_t, Segment*> m_by_seq;
    std::unordered_map<const Segment*, Entry> m_entries;
    std::map<LineKey, std::map<uint64_t, Segment*>> m_lines;
    bool m_use_line_index = true;
};

}  // namespace Model

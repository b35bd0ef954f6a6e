#pragma once

#include <deque>

#include "common/cell_range_index.hpp"

// A queue of index intervals from which pieces can be cut. The order is
// that of insertion and of cutting, and the segment layouter depends on it.
class CellRangeSet {
  public:
    CellRangeSet() = default;

    // Appends a copy; disabled intervals are accepted.
    void add(const CellRangeIndex& r) { m_queue.push_back(r); }
    // Removes s from every member. A member split in two is replaced by its
    // upper piece followed by its lower piece; members left disabled vanish.
    void cut(const CellRangeIndex& s);
    // Whether any member overlaps s.
    bool is_overlap(const CellRangeIndex& s) const;
    // False for an empty set, else whether every member is enabled.
    bool is_enable() const;

    const std::deque<CellRangeIndex>& members() const { return m_queue; }

  private:
    std::deque<CellRangeIndex> m_queue;
};

#pragma once

#include <memory>
#include <vector>

#include "common/cell_pos.hpp"

namespace Model {

class Segment;

// A path of cells from its first to its last element, turning only at right
// angles, plus the two ends that were asked for.
class Route {
  public:
    Route() = default;
    Route(const CellPos& start_, const CellPos& goal_) : start(start_), goal(goal_) {}

    std::vector<CellPos> cells;
    CellPos start{-1, -1};
    CellPos goal{-1, -1};

    bool empty() const { return cells.empty(); }
    size_t size() const { return cells.size(); }

    // One segment per straight run, chained through prev and next, with
    // consecutive segments sharing their joining cell. Empty for fewer than
    // two cells.
    std::vector<std::shared_ptr<Segment>> new_segments() const;
};

}  // namespace Model

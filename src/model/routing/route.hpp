#pragma once

#include <memory>
#include <vector>

#include "common/cell_pos.hpp"

namespace Model {

class Segment;

// The cells a route search looked at, as a block: every node it settled,
// every node it looked at from there, and, where a settled node had no
// neighbour in some direction, everything up to the table's edge that way.
// A search whose block holds no node that appeared, vanished or became or
// stopped being a terminal since would find the same route again.
struct SearchArea {
    int32_t h0 = 0;
    int32_t v0 = 0;
    int32_t h1 = CellPos::MAX;
    int32_t v1 = CellPos::MAX;

    bool contains(const CellPos& p) const {
        return h0 <= p.h && p.h <= h1 && v0 <= p.v && p.v <= v1;
    }
};

// A path of cells from its first to its last element, turning only at right
// angles, plus the two ends that were asked for.
class Route {
  public:
    Route() = default;
    Route(const CellPos& start_, const CellPos& goal_) : start(start_), goal(goal_) {}

    std::vector<CellPos> cells;
    CellPos start{-1, -1};
    CellPos goal{-1, -1};
    // The whole table until a search fills it in.
    SearchArea searched;

    bool empty() const { return cells.empty(); }
    size_t size() const { return cells.size(); }

    // One segment per straight run, chained through prev and next, with
    // consecutive segments sharing their joining cell. Empty for fewer than
    // two cells.
    std::vector<std::shared_ptr<Segment>> new_segments() const;
};

}  // namespace Model

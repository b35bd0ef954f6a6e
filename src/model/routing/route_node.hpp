#pragma once

#include <array>
#include <cstdint>

#include "common/cell_pos.hpp"
#include "common/directions.hpp"

namespace Model {

// One cell of the route graph. The router's table owns every node; links and
// pred point into that table and are replaced before a node is removed.
class RouteNode {
  public:
    static constexpr int32_t DIST_UNREACHED = 2147483647;
    static constexpr int32_t BASE_WEIGHT = 100;

    explicit RouteNode(const CellPos& pos_) : pos(pos_) {}

    // Nearest live node on the same column (UP, DOWN) or row (LEFT, RIGHT),
    // indexed by MovingDir; null where there is none.
    std::array<RouteNode*, 4> links{};
    // Cost of the hop to links[d]; directed.
    std::array<int32_t, 4> weights{BASE_WEIGHT, BASE_WEIGHT, BASE_WEIGHT, BASE_WEIGHT};
    // Per-search state. A router search only trusts them when epoch matches
    // its own, so it need not reset every node before it starts.
    int32_t dist = DIST_UNREACHED;
    RouteNode* pred = nullptr;
    uint64_t epoch = 0;
    // The same per direction of arrival (indexed by MovingDir; FROM_START
    // for the start itself), with the direction the predecessor was
    // reached in: a turn costs, so how a node was reached matters.
    static constexpr size_t FROM_START = 4;
    std::array<int32_t, 5> dist_in{DIST_UNREACHED, DIST_UNREACHED, DIST_UNREACHED, DIST_UNREACHED,
                                   DIST_UNREACHED};
    std::array<RouteNode*, 5> pred_in{};
    std::array<uint8_t, 5> pred_dir_in{};
    CellPos pos;
    // True while a terminal is registered at pos; routes never pass through
    // a terminatable node other than their goal.
    bool terminatable = false;
    // Interest points whose 3x3 block covers this node.
    int32_t refs = 0;

    RouteNode* get_link(MovingDir d) const { return links[static_cast<size_t>(d)]; }
    void set_link(MovingDir d, RouteNode* n) { links[static_cast<size_t>(d)] = n; }
    int32_t get_weight(MovingDir d) const { return weights[static_cast<size_t>(d)]; }
    void set_weight(MovingDir d, int32_t w) { weights[static_cast<size_t>(d)] = w; }

    void reference() { ++refs; }
    void unreference() { --refs; }
    bool get_is_referenced() const { return refs > 0; }
    void debug_print(const char* prefix) const;
};

}  // namespace Model

#pragma once

#include <string>

#include "common/cell_pos.hpp"
#include "common/cell_range_index.hpp"

// A block of cells with inclusive corners. The corners may be in any order;
// operations that need start at the top-left call ensure_consistency first.
struct CellRange {
    CellPos start;
    CellPos end;

    constexpr CellRange() = default;
    constexpr CellRange(const CellPos& s, const CellPos& e) : start(s), end(e) {}

    CellRange duplicate() const { return *this; }
    void ensure_consistency();
    CellRangeIndex get_h() const { return CellRangeIndex(start.h, end.h); }
    CellRangeIndex get_v() const { return CellRangeIndex(start.v, end.v); }
    CellRangeIndex get(CellDir dir) const { return dir == CellDir::H ? get_h() : get_v(); }
    std::string to_string() const { return start.to_string() + "-" + end.to_string(); }

    bool operator==(const CellRange& o) const = default;
};

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/directions.hpp"

// An inclusive interval of row or column indexes. In membership tests a
// negative bound means "unbounded on that side".
struct CellRangeIndex {
    int32_t start = 0;
    int32_t end = 0;

    constexpr CellRangeIndex() = default;
    constexpr CellRangeIndex(int32_t s, int32_t e) : start(s), end(e) {}

    // The covering interval.
    CellRangeIndex or_(const CellRangeIndex& r) const;
    bool is_eq(const CellRangeIndex& r) const { return start == r.start && end == r.end; }
    bool is_overlap(const CellRangeIndex& r) const;
    // True when this interval lies within r.
    bool is_subset(const CellRangeIndex& r) const { return start >= r.start && end <= r.end; }
    bool contains(int32_t i) const { return (start < 0 || i >= start) && (end < 0 || i <= end); }
    bool excludes(int32_t i) const { return !contains(i); }
    // Removes s from this interval; returns the upper piece when s lay
    // strictly inside and split it in two.
    std::optional<CellRangeIndex> cut(const CellRangeIndex& s);
    void ensure_consistency();
    // Widened by n toward dir, bounds clamped at 0, then made consistent.
    CellRangeIndex expand(MovingDir dir, int32_t n) const;
    bool is_enable() const { return end >= start; }
    int32_t size() const;
    void debug_print(const char* prefix) const;
    std::string to_string() const;

    bool operator==(const CellRangeIndex& r) const = default;
};

#pragma once

#include <cstdint>
#include <vector>

#include "common/cell_pos.hpp"
#include "common/cell_range.hpp"
#include "common/directions.hpp"
#include "common/point.hpp"
#include "common/rectangle.hpp"

namespace Model {

// One axis of the grid. Only lines whose far edge was set explicitly are
// stored; every other line has the default size and is computed from its
// nearest stored neighbour, so a huge, mostly untouched table costs nothing.
class GridList {
  public:
    static constexpr double DEFAULT_SIZE = 20.0;

    struct GridData {
        int32_t index;
        double pos;  // far edge of the line
    };

    // Binary search for index. Found: true, with the entry's list position.
    // Not found: false, with the position of the last entry examined (0 on
    // an empty list); the caller compares its index to decide the side.
    bool binary_search(int32_t index, size_t& list_pos) const;
    void shift_pos(size_t from, double delta);
    void shift_index(size_t from, int32_t delta);

    // Far edge of line i; 0.0 for negative i, so get(i - 1) is i's near edge.
    double get(int32_t i) const;
    double get_size(int32_t i) const { return get(i) - get(i - 1); }
    // Makes pos the far edge of line i, moving later lines by the same amount.
    void set(int32_t i, double pos);
    // Sizes below the default are raised to it.
    void set_size(int32_t i, double size);
    // Inserts a default-sized line before line i.
    void ins(int32_t i);
    // Removes line i, pulling later lines back by its size.
    void rm(int32_t i);
    // The index of the line containing pixel position pos.
    int32_t get_index(double pos) const;

    const std::vector<GridData>& entries() const { return m_list; }

  private:
    std::vector<GridData> m_list;  // ascending index, unique, ascending pos
};

// Maps cell coordinates to pixels and back. Knows nothing of elements.
class Grid {
  public:
    GridList& get(CellDir dir) { return dir == CellDir::H ? m_h_list : m_v_list; }
    const GridList& get(CellDir dir) const { return dir == CellDir::H ? m_h_list : m_v_list; }

    Rectangle get_rectangle(int32_t h, int32_t v) const;
    // The block of a range, which callers pass consistent (start top-left).
    Rectangle get_rectangle_range(const CellRange& range) const;
    // The box an element in cell (h, v) is laid out into, at the origin.
    Rectangle get_size(int32_t h, int32_t v) const;
    // Clamped to 0..65535.
    CellPos get_cell_pos_at_xy(const Point& point) const;
    Point get_top_left_point(const CellPos& pos) const;

  private:
    GridList m_h_list;
    GridList m_v_list;
};

}  // namespace Model

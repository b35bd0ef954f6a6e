#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

#include "common/cell_range.hpp"
#include "common/cell_range_index.hpp"
#include "common/directions.hpp"

namespace Model {

// A sparse table from cell (column h, row v) to one shared value. The
// diagram is mostly empty, so only occupied cells are stored, row by row.
//
// Visits call fn(h, v, value) and stop when it answers false; every visit
// answers the result of the last callback it called (true when none was).
// The plain visits run in hash order; callers needing a stable order sort.
template <typename V>
class Cells {
  public:
    using Value = std::shared_ptr<V>;
    using CellFn = std::function<bool(int32_t h, int32_t v, const Value& value)>;
    using IndexFn = std::function<bool(int32_t index)>;
    using RowMap = std::unordered_map<int32_t, Value>;
    using Rows = std::unordered_map<int32_t, RowMap>;

    Cells() = default;
    Cells(const Cells&) = default;
    Cells& operator=(const Cells&) = default;
    virtual ~Cells() = default;

    // The value of the cell, or null when it is empty.
    Value get(int32_t h, int32_t v) const {
        auto row = m_rows.find(v);
        if (row == m_rows.end()) {
            return nullptr;
        }
        auto cell = row->second.find(h);
        return cell == row->second.end() ? nullptr : cell->second;
    }

    // Stores value, replacing what the cell held.
    void set(int32_t h, int32_t v, Value value) { m_rows[v][h] = std::move(value); }

    // True when the cell was occupied. The row map stays, even when empty:
    // foreach_row_index still reports the row until remove_row drops it.
    bool remove(int32_t h, int32_t v) {
        auto row = m_rows.find(v);
        if (row == m_rows.end()) {
            return false;
        }
        return row->second.erase(h) > 0;
    }

    // An independent table sharing the same values.
    std::shared_ptr<Cells<V>> duplicate() const {
        auto copy = std::make_shared<Cells<V>>();
        copy->m_rows = m_rows;
        return copy;
    }

    // The number of occupied cells.
    int32_t count() const {
        size_t n = 0;
        for (const auto& [v, row] : m_rows) {
            n += row.size();
        }
        return static_cast<int32_t>(n);
    }

    bool foreach (const CellFn& fn) const {
        // Collected first so that a callback may edit the table.
        return visit(collect([](int32_t, int32_t) { return true; }), fn);
    }

    bool foreach_line_index(CellDir dir, const IndexFn& fn) const {
        switch (dir) {
            case CellDir::H:
                return foreach_col_index(fn);
            case CellDir::V:
                return foreach_row_index(fn);
        }
        return true;
    }

    // Every column occupied in at least one row, once each, ascending.
    bool foreach_col_index(const IndexFn& fn) const {
        std::set<int32_t> cols;
        for (const auto& [v, row] : m_rows) {
            for (const auto& [h, value] : row) {
                cols.insert(h);
            }
        }
        return visit_indexes(std::vector<int32_t>(cols.begin(), cols.end()), fn);
    }

    // Every row that has a row map, including rows emptied by remove.
    bool foreach_row_index(const IndexFn& fn) const {
        std::vector<int32_t> rows;
        rows.reserve(m_rows.size());
        for (const auto& [v, row] : m_rows) {
            rows.push_back(v);
        }
        return visit_indexes(rows, fn);
    }

    bool foreach_line(CellDir dir, int32_t index, const CellFn& fn) const {
        switch (dir) {
            case CellDir::H:
                return foreach_col(index, fn);
            case CellDir::V:
                return foreach_row(index, fn);
        }
        return true;
    }

    bool foreach_col(int32_t h, const CellFn& fn) const {
        return visit(collect([h](int32_t ch, int32_t) { return ch == h; }), fn);
    }

    bool foreach_row(int32_t v, const CellFn& fn) const {
        return visit(collect_row(v, [](int32_t) { return true; }), fn);
    }

    bool foreach_line_part(CellDir dir, int32_t index, const CellRangeIndex& range,
                           const CellFn& fn) const {
        switch (dir) {
            case CellDir::H:
                return foreach_col_part(index, range, fn);
            case CellDir::V:
                return foreach_row_part(index, range, fn);
        }
        return true;
    }

    // Cells of column h whose row v_range accepts (negative bounds are open).
    bool foreach_col_part(int32_t h, const CellRangeIndex& v_range, const CellFn& fn) const {
        return visit(collect([h, v_range](int32_t ch, int32_t cv) {
                         return ch == h && v_range.contains(cv);
                     }),
                     fn);
    }

    // Cells of row v whose column h_range accepts (negative bounds are open).
    bool foreach_row_part(int32_t v, const CellRangeIndex& h_range, const CellFn& fn) const {
        return visit(collect_row(v, [h_range](int32_t h) { return h_range.contains(h); }), fn);
    }

    bool foreach_line_range(CellDir dir, const CellRangeIndex& range, const CellFn& fn) const {
        switch (dir) {
            case CellDir::H:
                return foreach_col_range(range, fn);
            case CellDir::V:
                return foreach_row_range(range, fn);
        }
        return true;
    }

    bool foreach_row_range(const CellRangeIndex& v_range, const CellFn& fn) const {
        return visit(collect([v_range](int32_t, int32_t v) { return v_range.contains(v); }), fn);
    }

    bool foreach_col_range(const CellRangeIndex& h_range, const CellFn& fn) const {
        return visit(collect([h_range](int32_t h, int32_t) { return h_range.contains(h); }), fn);
    }

    // The cells inside range; the corners are taken as given, not reordered.
    bool foreach_range(const CellRange& range, const CellFn& fn) const {
        const CellRangeIndex hr = range.get_h();
        const CellRangeIndex vr = range.get_v();
        return visit(
            collect([hr, vr](int32_t h, int32_t v) { return hr.contains(h) && vr.contains(v); }),
            fn);
    }

    void insert_line(CellDir dir, int32_t index, int32_t count,
                     const CellFn& fn_shifted = nullptr) {
        if (dir == CellDir::H) {
            insert_col(index, count, fn_shifted);
        } else {
            insert_row(index, count, fn_shifted);
        }
    }

    void remove_line(CellDir dir, int32_t index, int32_t count, const CellFn& fn_removed = nullptr,
                     const CellFn& fn_shifted = nullptr) {
        if (dir == CellDir::H) {
            remove_col(index, count, fn_removed, fn_shifted);
        } else {
            remove_row(index, count, fn_removed, fn_shifted);
        }
    }

    // Renumbers every row with index >= from by adding delta. fn_shifted
    // sees each moved cell at its new position; a false answer ends the
    // calls for that row only.
    void shift_row(int32_t from, int32_t delta, const CellFn& fn_shifted = nullptr) {
        Rows moved;
        for (auto it = m_rows.begin(); it != m_rows.end();) {
            if (it->first >= from) {
                const int32_t nv = it->first + delta;
                if (fn_shifted) {
                    for (const auto& [h, value] : it->second) {
                        if (!fn_shifted(h, nv, value)) {
                            break;
                        }
                    }
                }
                moved[nv] = std::move(it->second);
                it = m_rows.erase(it);
            } else {
                ++it;
            }
        }
        for (auto& [v, row] : moved) {
            m_rows[v] = std::move(row);
        }
    }

    // Renumbers every column with index >= from by adding delta; fn_shifted
    // sees each moved cell at its new position (its answer is ignored).
    void shift_col(int32_t from, int32_t delta, const CellFn& fn_shifted = nullptr) {
        for (auto& [v, row] : m_rows) {
            RowMap moved;
            for (auto it = row.begin(); it != row.end();) {
                if (it->first >= from) {
                    const int32_t nh = it->first + delta;
                    if (fn_shifted) {
                        fn_shifted(nh, v, it->second);
                    }
                    moved[nh] = std::move(it->second);
                    it = row.erase(it);
                } else {
                    ++it;
                }
            }
            for (auto& [h, value] : moved) {
                row[h] = std::move(value);
            }
        }
    }

    // Inserting shifts the lines at and behind index and leaves the
    // inserted lines empty.
    virtual void insert_row(int32_t index, int32_t count, const CellFn& fn_shifted = nullptr) {
        shift_row(index, count, fn_shifted);
    }

    virtual void insert_col(int32_t index, int32_t count, const CellFn& fn_shifted = nullptr) {
        shift_col(index, count, fn_shifted);
    }

    // Removing drops the lines index .. index + count - 1 (fn_removed sees
    // each dropped cell at its old position) before the lines behind move
    // back into their places (fn_shifted sees their new positions).
    virtual void remove_row(int32_t index, int32_t count, const CellFn& fn_removed = nullptr,
                            const CellFn& fn_shifted = nullptr) {
        if (count <= 0) {
            return;
        }
        const CellRangeIndex doomed = removed_range(index, count);
        if (fn_removed) {
            visit(collect([&doomed](int32_t, int32_t v) { return in_range(doomed, v); }),
                  fn_removed);
        }
        std::erase_if(m_rows, [&doomed](const auto& kv) { return in_range(doomed, kv.first); });
        shift_row(behind(index, count), -count, fn_shifted);
    }

    virtual void remove_col(int32_t index, int32_t count, const CellFn& fn_removed = nullptr,
                            const CellFn& fn_shifted = nullptr) {
        if (count <= 0) {
            return;
        }
        const CellRangeIndex doomed = removed_range(index, count);
        for (auto& [v, row] : m_rows) {
            std::vector<int32_t> cols;
            for (const auto& [h, value] : row) {
                if (in_range(doomed, h)) {
                    cols.push_back(h);
                }
            }
            std::sort(cols.begin(), cols.end());
            for (int32_t h : cols) {
                auto it = row.find(h);
                if (fn_removed) {
                    fn_removed(h, v, it->second);
                }
                row.erase(it);
            }
        }
        shift_col(behind(index, count), -count, fn_shifted);
    }

  protected:
    struct Entry {
        int32_t h;
        int32_t v;
        Value value;
    };

    // Visits work on a snapshot, so callbacks may set or remove cells
    // without invalidating the iteration.
    template <typename Pred>
    std::vector<Entry> collect(Pred pred) const {
        std::vector<Entry> out;
        for (const auto& [v, row] : m_rows) {
            for (const auto& [h, value] : row) {
                if (pred(h, v)) {
                    out.push_back(Entry{h, v, value});
                }
            }
        }
        return out;
    }

    template <typename Pred>
    std::vector<Entry> collect_row(int32_t v, Pred pred) const {
        std::vector<Entry> out;
        auto row = m_rows.find(v);
        if (row != m_rows.end()) {
            for (const auto& [h, value] : row->second) {
                if (pred(h)) {
                    out.push_back(Entry{h, v, value});
                }
            }
        }
        return out;
    }

    static bool visit(const std::vector<Entry>& entries, const CellFn& fn) {
        bool result = true;
        for (const Entry& e : entries) {
            result = fn(e.h, e.v, e.value);
            if (!result) {
                break;
            }
        }
        return result;
    }

    static bool visit_indexes(const std::vector<int32_t>& indexes, const IndexFn& fn) {
        bool result = true;
        for (int32_t i : indexes) {
            result = fn(i);
            if (!result) {
                break;
            }
        }
        return result;
    }

    // The removed lines, computed wide so that a huge count cannot wrap.
    static CellRangeIndex removed_range(int32_t index, int32_t count) {
        const int64_t last = static_cast<int64_t>(index) + count - 1;
        return CellRangeIndex(index, static_cast<int32_t>(std::min<int64_t>(last, INT32_MAX)));
    }

    static bool in_range(const CellRangeIndex& r, int32_t i) { return r.start <= i && i <= r.end; }

    static int32_t behind(int32_t index, int32_t count) {
        return static_cast<int32_t>(
            std::min<int64_t>(static_cast<int64_t>(index) + count, INT32_MAX));
    }

    Rows m_rows;
};

}  // namespace Model

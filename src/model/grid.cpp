#include "model/grid.hpp"

#include <algorithm>
#include <cmath>

namespace Model {

namespace {
int32_t trunc_to_index(double d) {
    // Positions far outside the table must not overflow the conversion.
    d = std::trunc(d);
    if (d > 2147483647.0) {
        return INT32_MAX;
    }
    if (d < -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(d);
}
}  // namespace

bool GridList::binary_search(int32_t index, size_t& list_pos) const {
    list_pos = 0;
    if (m_list.empty()) {
        return false;
    }
    int64_t lo = 0;
    int64_t hi = static_cast<int64_t>(m_list.size()) - 1;
    while (lo <= hi) {
        int64_t mid = (lo + hi) / 2;
        list_pos = static_cast<size_t>(mid);
        const GridData& e = m_list[list_pos];
        if (e.index < index) {
            lo = mid + 1;
        } else if (e.index > index) {
            hi = mid - 1;
        } else {
            return true;
        }
    }
    return false;
}

void GridList::shift_pos(size_t from, double delta) {
    for (size_t i = from; i < m_list.size(); ++i) {
        m_list[i].pos += delta;
    }
}

void GridList::shift_index(size_t from, int32_t delta) {
    for (size_t i = from; i < m_list.size(); ++i) {
        m_list[i].index += delta;
    }
}

double GridList::get(int32_t i) const {
    if (i < 0) {
        return 0.0;
    }
    if (m_list.empty()) {
        return (static_cast<double>(i) + 1.0) * DEFAULT_SIZE;
    }
    size_t k;
    if (binary_search(i, k)) {
        return m_list[k].pos;
    }
    const GridData& e = m_list[k];
    if (i < e.index) {
        if (k > 0) {
            const GridData& p = m_list[k - 1];
            return p.pos + static_cast<double>(i - p.index) * DEFAULT_SIZE;
        }
        return (static_cast<double>(i) + 1.0) * DEFAULT_SIZE;
    }
    return e.pos + static_cast<double>(i - e.index) * DEFAULT_SIZE;
}

void GridList::set(int32_t i, double pos) {
    if (i < 0) {
        return;
    }
    if (m_list.empty()) {
        m_list.push_back({i, pos});
        return;
    }
    size_t k;
    if (binary_search(i, k)) {
        shift_pos(k + 1, pos - m_list[k].pos);
        m_list[k].pos = pos;
        return;
    }
    double diff = pos - get(i);
    if (std::fabs(diff) <= 0.01) {
        return;
    }
    if (i < m_list[k].index) {
        shift_pos(k, diff);
        m_list.insert(m_list.begin() + static_cast<std::ptrdiff_t>(k), {i, pos});
    } else {
        shift_pos(k + 1, diff);
        m_list.insert(m_list.begin() + static_cast<std::ptrdiff_t>(k + 1), {i, pos});
    }
}

void GridList::set_size(int32_t i, double size) {
    set(i, get(i - 1) + std::max(size, DEFAULT_SIZE));
}

void GridList::ins(int32_t i) {
    if (i < 0 || m_list.empty()) {
        return;
    }
    size_t k;
    if (binary_search(i, k)) {
        shift_pos(k, DEFAULT_SIZE);
        shift_index(k, 1);
        return;
    }
    size_t from = i >= m_list[k].index ? k + 1 : k;
    shift_pos(from, DEFAULT_SIZE);
    shift_index(from, 1);
}

void GridList::rm(int32_t i) {
    if (i < 0 || m_list.empty()) {
        return;
    }
    size_t k;
    if (binary_search(i, k)) {
        double size = m_list[k].pos - get(i - 1);
        shift_pos(k + 1, -size);
        shift_index(k + 1, -1);
        m_list.erase(m_list.begin() + static_cast<std::ptrdiff_t>(k));
        return;
    }
    size_t from = i < m_list[k].index ? k : k + 1;
    shift_pos(from, -DEFAULT_SIZE);
    shift_index(from, -1);
}

int32_t GridList::get_index(double pos) const {
    if (m_list.empty()) {
        return trunc_to_index(pos / DEFAULT_SIZE);
    }
    // Positions ascend with the index, so the first entry whose far edge
    // lies beyond pos is found by bisection rather than a walk.
    auto it = std::upper_bound(m_list.begin(), m_list.end(), pos,
                               [](double p, const GridData& q) { return p < q.pos; });
    if (it == m_list.end()) {
        const GridData& l = m_list.back();
        return trunc_to_index((pos - l.pos) / DEFAULT_SIZE + l.index + 1);
    }
    const GridData& q = *it;
    int32_t b;
    double o, m;
    if (it != m_list.begin()) {
        const GridData& p = *(it - 1);
        b = p.index;
        o = p.pos;
        m = p.pos + static_cast<double>(q.index - p.index - 1) * DEFAULT_SIZE;
    } else {
        b = -1;
        o = 0.0;
        m = static_cast<double>(q.index) * DEFAULT_SIZE;
    }
    if (pos >= m) {
        return q.index;
    }
    return b + trunc_to_index((pos - o) / DEFAULT_SIZE) + 1;
}

Rectangle Grid::get_rectangle(int32_t h, int32_t v) const {
    double x = m_h_list.get(h - 1);
    double y = m_v_list.get(v - 1);
    return Rectangle(x, y, m_h_list.get(h) - x, m_v_list.get(v) - y);
}

Rectangle Grid::get_rectangle_range(const CellRange& range) const {
    double x = m_h_list.get(range.start.h - 1);
    double y = m_v_list.get(range.start.v - 1);
    return Rectangle(x, y, m_h_list.get(range.end.h) - x, m_v_list.get(range.end.v) - y);
}

Rectangle Grid::get_size(int32_t h, int32_t v) const {
    return Rectangle(0.0, 0.0, m_h_list.get_size(h), m_v_list.get_size(v));
}

CellPos Grid::get_cell_pos_at_xy(const Point& point) const {
    CellPos p(m_h_list.get_index(point.x), m_v_list.get_index(point.y));
    return p.clamp();
}

Point Grid::get_top_left_point(const CellPos& pos) const {
    return Point(m_h_list.get(pos.h - 1), m_v_list.get(pos.v - 1));
}

}  // namespace Model

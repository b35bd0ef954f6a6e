#include "common/cell_range_set.hpp"

void CellRangeSet::cut(const CellRangeIndex& s) {
    std::deque<CellRangeIndex> next;
    for (CellRangeIndex member : m_queue) {
        if (auto upper = member.cut(s)) {
            next.push_back(*upper);
        }
        if (member.is_enable()) {
            next.push_back(member);
        }
    }
    m_queue = std::move(next);
}

bool CellRangeSet::is_overlap(const CellRangeIndex& s) const {
    for (const CellRangeIndex& member : m_queue) {
        if (member.is_overlap(s)) {
            return true;
        }
    }
    return false;
}

bool CellRangeSet::is_enable() const {
    if (m_queue.empty()) {
        return false;
    }
    for (const CellRangeIndex& member : m_queue) {
        if (!member.is_enable()) {
            return false;
        }
    }
    return true;
}

#include "common/cell_range_index.hpp"

#include <algorithm>
#include <cstdlib>

#include "common/log.hpp"

CellRangeIndex CellRangeIndex::or_(const CellRangeIndex& r) const {
    return CellRangeIndex(std::min(start, r.start), std::max(end, r.end));
}

bool CellRangeIndex::is_overlap(const CellRangeIndex& r) const {
    if (r.end < start) {
        return false;
    }
    return end >= r.start;
}

std::optional<CellRangeIndex> CellRangeIndex::cut(const CellRangeIndex& s) {
    if (start < s.start) {
        if (s.end < end) {
            CellRangeIndex upper(s.end + 1, end);
            end = s.start - 1;
            return upper;
        }
        if (end >= s.start) {
            end = s.start - 1;
        }
        return std::nullopt;
    }
    if (s.end >= start) {
        start = s.end + 1;
    }
    return std::nullopt;
}

void CellRangeIndex::ensure_consistency() {
    if (start >= 0 && end >= 0 && end < start) {
        std::swap(start, end);
    }
}

CellRangeIndex CellRangeIndex::expand(MovingDir dir, int32_t n) const {
    CellRangeIndex r = *this;
    if (dir == MovingDir::UP || dir == MovingDir::LEFT) {
        r.start -= n;
    } else {
        r.end += n;
    }
    r.start = std::max(r.start, 0);
    r.end = std::max(r.end, 0);
    r.ensure_consistency();
    return r;
}

int32_t CellRangeIndex::size() const {
    return std::abs(end - start) + 1;
}

void CellRangeIndex::debug_print(const char* prefix) const {
    LX_RETURN_IF_FAIL(prefix != nullptr);
    LX_DEBUG("%s start=%d, end=%d", prefix, start, end);
}

std::string CellRangeIndex::to_string() const {
    return "[" + std::to_string(start) + ", " + std::to_string(end) + "]";
}

#include "common/cell_range.hpp"

#include <algorithm>

void CellRange::ensure_consistency() {
    CellPos s(std::min(start.h, end.h), std::min(start.v, end.v));
    CellPos e(std::max(start.h, end.h), std::max(start.v, end.v));
    start = s;
    end = e;
}

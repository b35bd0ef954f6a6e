#include "common/cell_pos.hpp"

#include <algorithm>

CellPos CellPos::move(MovingDir dir, int32_t n) {
    // Widen first so a large n cannot overflow before clamping.
    int64_t nh = h, nv = v;
    switch (dir) {
        case MovingDir::UP:
            nv -= n;
            break;
        case MovingDir::DOWN:
            nv += n;
            break;
        case MovingDir::LEFT:
            nh -= n;
            break;
        case MovingDir::RIGHT:
            nh += n;
            break;
    }
    h = static_cast<int32_t>(std::clamp<int64_t>(nh, 0, MAX));
    v = static_cast<int32_t>(std::clamp<int64_t>(nv, 0, MAX));
    return *this;
}

CellPos CellPos::clamp() {
    h = std::clamp(h, 0, MAX);
    v = std::clamp(v, 0, MAX);
    return *this;
}

bool CellPos::is_located_than(MovingDir dir, const CellPos& o) const {
    switch (dir) {
        case MovingDir::UP:
            return v < o.v;
        case MovingDir::DOWN:
            return v > o.v;
        case MovingDir::LEFT:
            return h < o.h;
        case MovingDir::RIGHT:
            return h > o.h;
    }
    return false;
}

std::string CellPos::to_string() const {
    return "(" + std::to_string(h) + ", " + std::to_string(v) + ")";
}

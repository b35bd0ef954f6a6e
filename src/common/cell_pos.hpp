#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/directions.hpp"

// A cell coordinate: column h, row v. Valid values lie in 0..65535; other
// values occur only as temporaries.
struct CellPos {
    static constexpr int32_t MAX = 65535;

    int32_t h = 0;
    int32_t v = 0;

    constexpr CellPos() = default;
    constexpr CellPos(int32_t h_, int32_t v_) : h(h_), v(v_) {}

    bool is_eq(const CellPos& o) const { return h == o.h && v == o.v; }
    int32_t get(CellDir dir) const { return dir == CellDir::H ? h : v; }
    void set(CellDir dir, int32_t value) { (dir == CellDir::H ? h : v) = value; }
    // Componentwise sum, not clamped.
    CellPos add(const CellPos& o) const { return CellPos(h + o.h, v + o.v); }
    // Moves n cells toward dir, then clamps; changes this position and returns it.
    CellPos move(MovingDir dir, int32_t n);
    CellPos clamp();
    bool is_valid() const { return 0 <= h && h <= MAX && 0 <= v && v <= MAX; }
    // Whether this position lies further toward dir than o.
    bool is_located_than(MovingDir dir, const CellPos& o) const;
    std::string to_string() const;

    bool operator==(const CellPos& o) const = default;
    // Row-major order, handy for ordered containers.
    bool operator<(const CellPos& o) const { return v != o.v ? v < o.v : h < o.h; }
};

template <>
struct std::hash<CellPos> {
    size_t operator()(const CellPos& p) const noexcept {
        return std::hash<uint64_t>()((static_cast<uint64_t>(static_cast<uint32_t>(p.h)) << 32) |
                                     static_cast<uint32_t>(p.v));
    }
};

#pragma once

#include <string>

#include "common/directions.hpp"

struct Rectangle;

// A position in workspace pixels. A plain value: owners that need to observe
// a change (the canvas's view offset) expose a setter that applies it.
struct Point {
    double x = 0.0;
    double y = 0.0;

    constexpr Point() = default;
    constexpr Point(double x_, double y_) : x(x_), y(y_) {}

    Point dup() const { return *this; }
    void copy_from(const Point& p) { *this = p; }
    double get(CellDir dir) const { return dir == CellDir::H ? x : y; }
    void set(CellDir dir, double value) { (dir == CellDir::H ? x : y) = value; }
    // Adds (subtracts) a's coordinates into this point and returns it.
    Point& add(const Point& a) {
        x += a.x;
        y += a.y;
        return *this;
    }
    Point& sub(const Point& a) {
        x -= a.x;
        y -= a.y;
        return *this;
    }
    double norm_sq() const { return x * x + y * y; }
    static double norm_sq2(const Point& a, const Point& b);
    static Point median_rect(const Rectangle& rect);
    static Point median_p(const Point& p1, const Point& p2);
    // "(%.1f, %.1f)"
    std::string to_string() const;

    bool operator==(const Point& o) const = default;
};

#pragma once

#include <cairo.h>

#include "common/directions.hpp"
#include "common/point.hpp"

// A rectangle in workspace pixels; (x, y) is the top-left corner. Width and
// height are not required to be positive.
struct Rectangle {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;

    constexpr Rectangle() = default;
    constexpr Rectangle(double x_, double y_, double w, double h)
        : x(x_), y(y_), width(w), height(h) {}

    static Rectangle init_from_cairo_int(const cairo_rectangle_int_t& r);

    double get_start(CellDir dir) const { return dir == CellDir::H ? x : y; }
    double get_end(CellDir dir) const { return dir == CellDir::H ? x + width : y + height; }
    double get_size(CellDir dir) const { return dir == CellDir::H ? width : height; }
    Point get_center() const { return Point(x + width / 2.0, y + height / 2.0); }
    // Grows by d in each dimension around the centre; changes and returns this.
    Rectangle expand(double d);
    // The bounding box when this is the top-left piece (see the .cpp).
    Rectangle combine(const Rectangle& other) const;
    // Closed intervals: rectangles that only touch intersect.
    bool is_intersect(const Rectangle& o) const;
    bool is_intersect_region(const cairo_region_t* region) const;
    // Edges included.
    bool contains_xy(const Point& pt) const;
    void debug_print(const char* prefix) const;

    bool operator==(const Rectangle& o) const = default;
};

#include "common/rectangle.hpp"

#include "common/log.hpp"

Rectangle Rectangle::init_from_cairo_int(const cairo_rectangle_int_t& r) {
    return Rectangle(r.x, r.y, r.width, r.height);
}

Rectangle Rectangle::expand(double d) {
    x -= d / 2.0;
    y -= d / 2.0;
    width += d;
    height += d;
    return *this;
}

// Every comparison is against the unchanged receiver, so the result is the
// bounding box only when the receiver is the top-left piece; callers rely
// on that (start cell first, then end cell).
Rectangle Rectangle::combine(const Rectangle& o) const {
    Rectangle r = *this;
    if (o.x < x) {
        r.x = o.x;
    }
    if (o.y < y) {
        r.y = o.y;
    }
    if (o.x + o.width > x + width) {
        r.width = o.x + o.width - r.x;
    }
    if (o.y + o.height > y + height) {
        r.height = o.y + o.height - r.y;
    }
    return r;
}

bool Rectangle::is_intersect(const Rectangle& o) const {
    return x <= o.x + o.width && x + width >= o.x && y <= o.y + o.height && y + height >= o.y;
}

bool Rectangle::is_intersect_region(const cairo_region_t* region) const {
    LX_RETURN_VAL_IF_FAIL(region != nullptr, false);
    int n = cairo_region_num_rectangles(region);
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region, i, &r);
        if (is_intersect(init_from_cairo_int(r))) {
            return true;
        }
    }
    return false;
}

bool Rectangle::contains_xy(const Point& pt) const {
    return x <= pt.x && pt.x <= x + width && y <= pt.y && pt.y <= y + height;
}

void Rectangle::debug_print(const char* prefix) const {
    LX_RETURN_IF_FAIL(prefix != nullptr);
    LX_DEBUG("%s x = %.1f, y = %.1f, width = %.1f, height = %.1f", prefix, x, y, width, height);
}

#include "common/point.hpp"

#include <cstdio>

#include "common/rectangle.hpp"

double Point::norm_sq2(const Point& a, const Point& b) {
    double dx = a.x - b.x;
    double dy = a.y - b.y;
    return dx * dx + dy * dy;
}

Point Point::median_rect(const Rectangle& r) {
    return Point(r.x + r.width / 2.0, r.y + r.height / 2.0);
}

Point Point::median_p(const Point& p1, const Point& p2) {
    return Point((p1.x + p2.x) / 2.0, (p1.y + p2.y) / 2.0);
}

std::string Point::to_string() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "(%.1f, %.1f)", x, y);
    return buf;
}

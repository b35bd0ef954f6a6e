#pragma once

#include "common/directions.hpp"
#include "common/point.hpp"

namespace View {

// An affine transform (x, y) -> (xx*x + xy*y + x0, yx*x + yy*y + y0), used to
// place the connector end decorations, which are defined once pointing UP.
struct TransformMatrix {
    double xx = 1.0;
    double xy = 0.0;
    double yx = 0.0;
    double yy = 1.0;
    double x0 = 0.0;
    double y0 = 0.0;

    constexpr TransformMatrix() = default;
    constexpr TransformMatrix(double xx_, double xy_, double yx_, double yy_, double x0_,
                              double y0_)
        : xx(xx_), xy(xy_), yx(yx_), yy(yy_), x0(x0_), y0(y0_) {}

    // Scales a unit shape by (sx, sy), turns it from pointing UP to pointing
    // dir and puts its tip (the origin) on (x0, y0).
    static TransformMatrix new_for_direction(MovingDir dir, double sx, double sy, double x0,
                                             double y0);

    // Transforms p in place and returns the result.
    Point transform(Point& p) const;
};

}  // namespace View

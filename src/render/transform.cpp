#include "render/transform.hpp"

namespace View {

TransformMatrix TransformMatrix::new_for_direction(MovingDir dir, double sx, double sy, double x0,
                                                   double y0) {
    TransformMatrix m;
    switch (dir) {
        case MovingDir::DOWN:
            m = TransformMatrix(-1, 0, 0, -1, 0, 0);
            break;
        case MovingDir::LEFT:
            m = TransformMatrix(0, 1, -1, 0, 0, 0);
            break;
        case MovingDir::RIGHT:
            m = TransformMatrix(0, -1, 1, 0, 0, 0);
            break;
        case MovingDir::UP:
        default:
            m = TransformMatrix(1, 0, 0, 1, 0, 0);
            break;
    }
    // Scaling before rotating: the x column scales by sx, the y column by sy.
    m.xx *= sx;
    m.yx *= sx;
    m.xy *= sy;
    m.yy *= sy;
    m.x0 = x0;
    m.y0 = y0;
    return m;
}

Point TransformMatrix::transform(Point& p) const {
    const double x = p.x;
    const double y = p.y;
    p.x = xx * x + xy * y + x0;
    p.y = yx * x + yy * y + y0;
    return p;
}

}  // namespace View

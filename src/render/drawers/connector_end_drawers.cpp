#include "render/drawers/connector_end_drawers.hpp"

#include "common/log.hpp"
#include "render/transform.hpp"

namespace View {

AbstractConnectorEndDrawer::~AbstractConnectorEndDrawer() = default;

void AbstractConnectorEndDrawer::draw(DrawerContext& dc, double width, double height,
                                      const Point& end_pt, MovingDir udlr) const {
    LX_RETURN_IF_FAIL(dc.get_cr());
    paint_end_shape(dc.get_cr(), shape(width, height, end_pt, udlr));
}

void paint_end_shape(const Cairo::RefPtr<Cairo::Context>& cr, const ConnectorEndShape& s) {
    for (const auto& piece : s.pieces) {
        for (size_t i = 0; i < piece.size(); ++i) {
            if (i == 0) {
                cr->move_to(piece[i].x, piece[i].y);
            } else {
                cr->line_to(piece[i].x, piece[i].y);
            }
        }
    }
    if (s.closed) {
        cr->close_path();
    }
    if (s.filled) {
        cr->stroke_preserve();
        cr->fill();
    } else {
        cr->stroke();
    }
}

namespace {
constexpr std::array<Point, 3> ARROW_POINTS = {Point(0.0, 0.0), Point(-0.5, 1.0), Point(0.5, 1.0)};
constexpr std::array<Point, 4> DIAMOND_POINTS = {Point(0.0, 0.0), Point(-0.5, 0.5), Point(0.0, 1.0),
                                                 Point(0.5, 0.5)};
}  // namespace

Point AbstractArrowConnectorEndDrawer::get_unit_point(PointName name) {
    int i = static_cast<int>(name);
    if (i < 0 || i >= static_cast<int>(ARROW_POINTS.size())) {
        return Point();
    }
    return ARROW_POINTS[i];
}

std::string to_string(AbstractArrowConnectorEndDrawer::PointName name) {
    switch (name) {
        case AbstractArrowConnectorEndDrawer::PointName::TOP:
            return "TOP";
        case AbstractArrowConnectorEndDrawer::PointName::LEFT_WING:
            return "LEFT_WING";
        case AbstractArrowConnectorEndDrawer::PointName::RIGHT_WING:
            return "RIGHT_WING";
    }
    return "";
}

const char* to_nick(AbstractArrowConnectorEndDrawer::PointName name) {
    switch (name) {
        case AbstractArrowConnectorEndDrawer::PointName::TOP:
            return "top";
        case AbstractArrowConnectorEndDrawer::PointName::LEFT_WING:
            return "left-wing";
        case AbstractArrowConnectorEndDrawer::PointName::RIGHT_WING:
            return "right-wing";
    }
    return "";
}

ConnectorEndShape AbstractArrowConnectorEndDrawer::shape(double width, double height,
                                                         const Point& end_pt,
                                                         MovingDir udlr) const {
    TransformMatrix m = TransformMatrix::new_for_direction(udlr, width, height, end_pt.x, end_pt.y);
    Point t = ARROW_POINTS[0];
    Point l = ARROW_POINTS[1];
    Point r = ARROW_POINTS[2];
    m.transform(t);
    m.transform(l);
    m.transform(r);
    ConnectorEndShape shape;
    // Separate strokes, not one path: no join at the tip, so the sharp
    // angle never grows a miter spike.
    shape.pieces = {{t, l}, {t, r}};
    if (m_is_open) {
        shape.name = "open-arrow";
    } else {
        shape.name = "white-arrow";
        shape.pieces.push_back({l, r});
    }
    return shape;
}

const std::array<Point, 4>& AbstractDiamondConnectorEndDrawer::get_unit_points() {
    return DIAMOND_POINTS;
}

ConnectorEndShape AbstractDiamondConnectorEndDrawer::shape(double width, double height,
                                                           const Point& end_pt,
                                                           MovingDir udlr) const {
    TransformMatrix m = TransformMatrix::new_for_direction(udlr, width, height, end_pt.x, end_pt.y);
    std::array<Point, 4> p = DIAMOND_POINTS;
    for (Point& q : p) {
        m.transform(q);
    }
    ConnectorEndShape shape;
    shape.name = m_is_filled ? "black-diamond" : "white-diamond";
    shape.pieces = {{p[0], p[1], p[2], p[3]}};
    shape.closed = true;
    shape.filled = m_is_filled;
    return shape;
}

}  // namespace View

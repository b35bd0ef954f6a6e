#include "render/drawers/connector_end_drawers.hpp"

#include "common/log.hpp"
#include "render/transform.hpp"

namespace View {

AbstractConnectorEndDrawer::~AbstractConnectorEndDrawer() = default;

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

void AbstractArrowConnectorEndDrawer::draw(DrawerContext& dc, double width, double height,
                                           const Point& end_pt, MovingDir udlr) {
    const Cairo::RefPtr<Cairo::Context>& cr = dc.get_cr();
    LX_RETURN_IF_FAIL(cr);
    TransformMatrix m = TransformMatrix::new_for_direction(udlr, width, height, end_pt.x, end_pt.y);
    Point t = ARROW_POINTS[0];
    Point l = ARROW_POINTS[1];
    Point r = ARROW_POINTS[2];
    m.transform(t);
    m.transform(l);
    m.transform(r);
    cr->move_to(t.x, t.y);
    cr->line_to(l.x, l.y);
    cr->move_to(t.x, t.y);
    cr->line_to(r.x, r.y);
    if (!m_is_open) {
        cr->move_to(l.x, l.y);
        cr->line_to(r.x, r.y);
    }
    cr->stroke();
}

const std::array<Point, 4>& AbstractDiamondConnectorEndDrawer::get_unit_points() {
    return DIAMOND_POINTS;
}

void AbstractDiamondConnectorEndDrawer::draw(DrawerContext& dc, double width, double height,
                                             const Point& end_pt, MovingDir udlr) {
    const Cairo::RefPtr<Cairo::Context>& cr = dc.get_cr();
    LX_RETURN_IF_FAIL(cr);
    TransformMatrix m = TransformMatrix::new_for_direction(udlr, width, height, end_pt.x, end_pt.y);
    std::array<Point, 4> p = DIAMOND_POINTS;
    for (Point& q : p) {
        m.transform(q);
    }
    cr->move_to(p[0].x, p[0].y);
    cr->line_to(p[1].x, p[1].y);
    cr->line_to(p[2].x, p[2].y);
    cr->line_to(p[3].x, p[3].y);
    cr->close_path();
    if (m_is_filled) {
        cr->stroke_preserve();
        cr->fill();
    } else {
        cr->stroke();
    }
}

}  // namespace View

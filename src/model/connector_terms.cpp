#include "model/connector_terms.hpp"

#include "model/routing/segment.hpp"

namespace Model {

void AbstractConnectorTerm::layout_by_segment(Segment& seg, bool at_end) {
    // Either way the decoration points toward the class at that end.
    Point p;
    if (at_end) {
        m_udlr = seg.get_udlr();
        p = seg.end_point;
    } else {
        m_udlr = inv(seg.get_udlr());
        p = seg.start_point;
    }
    m_rect = calc_rect(p, inv(m_udlr));
    m_term_point = p;
}

Rectangle AbstractConnectorTerm::calc_rect(const Point& p, MovingDir dir) const {
    const int w = get_width_at_upper();
    const int h = get_height_at_upper();
    const int half = w / 2;
    switch (dir) {
        case MovingDir::UP:
            return Rectangle(p.x - half, p.y - h, w, h);
        case MovingDir::DOWN:
            return Rectangle(p.x - half, p.y, w, h);
        case MovingDir::LEFT:
            return Rectangle(p.x - h, p.y - half, h, w);
        case MovingDir::RIGHT:
            return Rectangle(p.x, p.y - half, h, w);
    }
    return Rectangle();
}

}  // namespace Model

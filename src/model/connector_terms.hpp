#pragma once

#include <memory>

#include "common/directions.hpp"
#include "common/point.hpp"
#include "common/rectangle.hpp"

namespace Model {

class Segment;

// The decoration at one end of a connector (arrow head or diamond). Its
// geometry is in the same cell-local coordinates as the segment points.
class IConnectorTerm {
  public:
    virtual ~IConnectorTerm() = default;

    // Places the decoration at the start (at_end false) or end of seg, pointing
    // toward the class that end touches.
    virtual void layout_by_segment(Segment& seg, bool at_end) = 0;
    virtual Rectangle get_rect() const = 0;
    // Extent across the segment, measured as if pointing up.
    virtual int get_width_at_upper() const = 0;
    // Extent along the segment, measured as if pointing up.
    virtual int get_height_at_upper() const = 0;
    // Where the connector meets the class edge.
    virtual Point get_term_point() const = 0;
    // How far the segment's line stops short of the term point.
    virtual int get_seg_term_setback() const = 0;
    // The direction the decoration points, toward its class.
    virtual MovingDir get_udlr() const = 0;
};

class AbstractConnectorTerm : public IConnectorTerm {
  public:
    void layout_by_segment(Segment& seg, bool at_end) override;
    Rectangle get_rect() const override { return m_rect; }
    Point get_term_point() const override { return m_term_point; }
    // Closed shapes stop the line at their base.
    int get_seg_term_setback() const override { return get_height_at_upper(); }
    MovingDir get_udlr() const override { return m_udlr; }

    // The decoration's box with its tip at p, extending in direction dir.
    Rectangle calc_rect(const Point& p, MovingDir dir) const;

  private:
    MovingDir m_udlr = MovingDir::UP;
    Rectangle m_rect;
    Point m_term_point;
};

class WhiteArrowConnectorTerm : public AbstractConnectorTerm {
  public:
    int get_width_at_upper() const override { return 8; }
    int get_height_at_upper() const override { return 16; }
};

// Only two strokes, so the line runs on to the class edge.
class OpenArrowConnectorTerm : public AbstractConnectorTerm {
  public:
    int get_width_at_upper() const override { return 8; }
    int get_height_at_upper() const override { return 16; }
    int get_seg_term_setback() const override { return 0; }
};

class WhiteDiamondConnectorTerm : public AbstractConnectorTerm {
  public:
    int get_width_at_upper() const override { return 8; }
    int get_height_at_upper() const override { return 16; }
};

class BlackDiamondConnectorTerm : public AbstractConnectorTerm {
  public:
    int get_width_at_upper() const override { return 8; }
    int get_height_at_upper() const override { return 16; }
};

}  // namespace Model

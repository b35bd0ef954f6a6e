#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "common/directions.hpp"
#include "common/point.hpp"
#include "render/drawer_context.hpp"

namespace View {

// A placed end decoration: the pieces of its outline in workspace pixels,
// each one stroke from its first point through the others. Every painter
// (the cairo drawers, the SVG writer) draws the same pieces.
struct ConnectorEndShape {
    // The decoration's name in exported files: "open-arrow", "white-arrow",
    // "white-diamond", "black-diamond".
    const char* name = "";
    std::vector<std::vector<Point>> pieces;
    // The last point joins the first (only for a single piece).
    bool closed = false;
    // Filled in the line colour as well as outlined.
    bool filled = false;
};

// Strokes (and fills) shape with the cr's current source and line width.
void paint_end_shape(const Cairo::RefPtr<Cairo::Context>& cr, const ConnectorEndShape& shape);

// Paints the decoration at one end of a connector. Each shape is defined
// once in unit coordinates pointing UP (tip at the origin, body towards +y)
// and placed with a transform built from the end's direction and size.
class AbstractConnectorEndDrawer {
  public:
    virtual ~AbstractConnectorEndDrawer();
    // width: across the connector; height: along it; end_pt: the tip in
    // workspace pixels; udlr: the direction the decoration points.
    virtual ConnectorEndShape shape(double width, double height, const Point& end_pt,
                                    MovingDir udlr) const = 0;
    // Paints shape() with the cr's current source and line width.
    void draw(DrawerContext& dc, double width, double height, const Point& end_pt,
              MovingDir udlr) const;
};

class AbstractArrowConnectorEndDrawer : public AbstractConnectorEndDrawer {
  public:
    enum class PointName { TOP = 0, LEFT_WING = 1, RIGHT_WING = 2 };

    explicit AbstractArrowConnectorEndDrawer(bool is_open) : m_is_open(is_open) {}
    ConnectorEndShape shape(double width, double height, const Point& end_pt,
                            MovingDir udlr) const override;
    bool get_is_open() const { return m_is_open; }
    // The unit shape's point.
    static Point get_unit_point(PointName name);

  private:
    bool m_is_open;
};

std::string to_string(AbstractArrowConnectorEndDrawer::PointName name);
const char* to_nick(AbstractArrowConnectorEndDrawer::PointName name);

// Two strokes meeting at the tip.
class OpenArrowConnectorEndDrawer : public AbstractArrowConnectorEndDrawer {
  public:
    OpenArrowConnectorEndDrawer() : AbstractArrowConnectorEndDrawer(true) {}
};

// A closed triangle outline, not filled.
class WhiteArrowConnectorEndDrawer : public AbstractArrowConnectorEndDrawer {
  public:
    WhiteArrowConnectorEndDrawer() : AbstractArrowConnectorEndDrawer(false) {}
};

class AbstractDiamondConnectorEndDrawer : public AbstractConnectorEndDrawer {
  public:
    explicit AbstractDiamondConnectorEndDrawer(bool is_filled) : m_is_filled(is_filled) {}
    ConnectorEndShape shape(double width, double height, const Point& end_pt,
                            MovingDir udlr) const override;
    bool get_is_filled() const { return m_is_filled; }
    // Tip, left, back, right.
    static const std::array<Point, 4>& get_unit_points();

  private:
    bool m_is_filled;
};

class WhiteDiamondConnectorEndDrawer : public AbstractDiamondConnectorEndDrawer {
  public:
    WhiteDiamondConnectorEndDrawer() : AbstractDiamondConnectorEndDrawer(false) {}
};

class BlackDiamondConnectorEndDrawer : public AbstractDiamondConnectorEndDrawer {
  public:
    BlackDiamondConnectorEndDrawer() : AbstractDiamondConnectorEndDrawer(true) {}
};

}  // namespace View

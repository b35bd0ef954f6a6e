#pragma once

#include <array>
#include <memory>
#include <string>

#include "common/directions.hpp"
#include "common/point.hpp"
#include "render/drawer_context.hpp"

namespace View {

// Paints the decoration at one end of a connector. Each shape is defined
// once in unit coordinates pointing UP (tip at the origin, body towards +y)
// and placed with a transform built from the end's direction and size.
class AbstractConnectorEndDrawer {
  public:
    virtual ~AbstractConnectorEndDrawer();
    // width: across the connector; height: along it; end_pt: the tip in
    // workspace pixels; udlr: the direction the decoration points. Uses the
    // cr's current source and line width.
    virtual void draw(DrawerContext& dc, double width, double height, const Point& end_pt,
                      MovingDir udlr) = 0;
};

class AbstractArrowConnectorEndDrawer : public AbstractConnectorEndDrawer {
  public:
    enum class PointName { TOP = 0, LEFT_WING = 1, RIGHT_WING = 2 };

    explicit AbstractArrowConnectorEndDrawer(bool is_open) : m_is_open(is_open) {}
    void draw(DrawerContext& dc, double width, double height, const Point& end_pt,
              MovingDir udlr) override;
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
    void draw(DrawerContext& dc, double width, double height, const Point& end_pt,
              MovingDir udlr) override;
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

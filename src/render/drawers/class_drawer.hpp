#pragma once

#include <vector>

#include "common/rectangle.hpp"
#include "render/drawers/drawer.hpp"

namespace Model {
class ClassElement;
}

namespace View {

// Where a class box's pieces lie, in workspace pixels, snapped so that its
// 1-pixel lines cover whole surface pixels.
struct ClassGeometry {
    // The top-left corner of the class's cell; its texts lie at their own
    // rectangles moved by it.
    Point origin;
    // The filled area, on whole pixels.
    Rectangle fill;
    // The centre line of the outline, just inside the fill's edges.
    Rectangle outline;
    // One horizontal line per shown block, across the fill.
    struct Divider {
        double x0;
        double x1;
        double y;
    };
    std::vector<Divider> dividers;
};

// Paints every class box that meets the update region: its fill, outline,
// the divider lines of its shown blocks and its texts. The box under the
// cell cursor is painted in the active colours.
class ClassDrawer : public Drawer {
  public:
    explicit ClassDrawer(std::shared_ptr<WorkspaceDrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;

    // grid_rect: the rectangle of the class's cell.
    void draw_class_element(const Cairo::RefPtr<Cairo::Region>& update_region,
                            const Rectangle& grid_rect, Model::ClassElement& klass, bool is_active);
    // What draw_class_element paints, for painters other than cairo.
    ClassGeometry get_geometry(const Rectangle& grid_rect, const Model::ClassElement& klass) const;
    // A horizontal line along the top of a block's band, in the current
    // source colour and line width.
    void draw_separate_line(const Rectangle& text_element_rect, const Point& offset, double width);
};

}  // namespace View

#pragma once

#include "common/rectangle.hpp"
#include "render/drawers/drawer.hpp"

namespace Model {
class ClassElement;
}

namespace View {

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
    // A horizontal line along the top of a block's band, in the current
    // source colour and line width.
    void draw_separate_line(const Rectangle& text_element_rect, const Point& offset, double width);
};

}  // namespace View

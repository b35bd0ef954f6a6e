#include "render/drawers/class_drawer.hpp"

#include <utility>

#include "common/log.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "render/drawers/text_element_drawer.hpp"

namespace View {

ClassDrawer::ClassDrawer(std::shared_ptr<WorkspaceDrawerContext> dc) : Drawer(std::move(dc)) {}

void ClassDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    auto& dc = static_cast<WorkspaceDrawerContext&>(*m_dc);
    const Model::Grid& grid = dc.get_grid();
    const CellPos cursor = dc.get_cell_pos();
    dc.get_ws()->get_element_cells()->foreach (
        [&](int32_t h, int32_t v, const std::shared_ptr<Model::Element>& elem) {
            auto* klass = dynamic_cast<Model::ClassElement*>(elem.get());
            if (!klass) {
                return true;
            }
            Rectangle grid_rect = grid.get_rectangle(h, v);
            if (grid_rect.is_intersect_region(update_region->cobj())) {
                draw_class_element(update_region, grid_rect, *klass, cursor == CellPos(h, v));
            }
            return true;
        });
}

void ClassDrawer::draw_class_element(const Cairo::RefPtr<Cairo::Region>& update_region,
                                     const Rectangle& grid_rect, Model::ClassElement& klass,
                                     bool is_active) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    const ColorMap& colors = *m_dc->get_color_map();
    const Point origin(grid_rect.x, grid_rect.y);
    cr->save();
    Rectangle box = klass.get_rect();
    box.x += origin.x;
    box.y += origin.y;
    // Fill and outline cover the same whole pixels; the 1-pixel outline runs
    // along the pixel centres just inside the box's edges.
    const Rectangle px = m_dc->snap_rect(box);
    cr->rectangle(px.x, px.y, px.width, px.height);
    set_source_rgba(cr, is_active ? colors.get_active_element_fill() : colors.get_element_fill());
    cr->fill();
    cr->set_line_width(1.0);
    cr->rectangle(px.x + 0.5, px.y + 0.5, px.width - 1.0, px.height - 1.0);
    // The line colour stays the source for the dividers below.
    set_source_rgba(cr, is_active ? colors.get_active_element_line() : colors.get_element_line());
    cr->stroke();

    TextElementDrawer texts(m_dc);
    texts.set_pos(origin);
    texts.add_text_elem(klass.name_elem);
    if (klass.block1_shown) {
        texts.add_text_elem(klass.block1_elem);
        draw_separate_line(klass.get_block1_div_rect(), origin, box.width);
    }
    if (klass.block2_shown) {
        texts.add_text_elem(klass.block2_elem);
        draw_separate_line(klass.get_block2_div_rect(), origin, box.width);
    }
    texts.draw(update_region);
    cr->restore();
}

void ClassDrawer::draw_separate_line(const Rectangle& text_element_rect, const Point& offset,
                                     double width) {
    if (!can_draw()) {
        return;
    }
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    // Across the same whole pixels as the box's fill, on one pixel row.
    const Rectangle span =
        m_dc->snap_rect(Rectangle(text_element_rect.x + offset.x, 0.0, width, 0.0));
    const double y =
        m_dc->snap_line_point(Point(0.0, text_element_rect.y + offset.y), cr->get_line_width()).y;
    cr->move_to(span.x, y);
    cr->rel_line_to(span.width, 0.0);
    cr->stroke();
}

}  // namespace View

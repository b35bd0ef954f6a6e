#include "view/drawers/class_drawer.hpp"

#include <utility>

#include "common/log.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "view/drawers/text_element_drawer.hpp"

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
    cr->rectangle(box.x, box.y, box.width, box.height);
    cr->set_line_width(1.0);
    set_source_rgba(cr, is_active ? colors.get_active_element_fill() : colors.get_element_fill());
    cr->fill_preserve();
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
    cr->move_to(text_element_rect.x + offset.x, text_element_rect.y + offset.y);
    cr->rel_line_to(width, 0.0);
    cr->stroke();
}

}  // namespace View

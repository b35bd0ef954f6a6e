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

ClassGeometry ClassDrawer::get_geometry(const Rectangle& grid_rect,
                                        const Model::ClassElement& klass) const {
    ClassGeometry g;
    g.origin = Point(grid_rect.x, grid_rect.y);
    Rectangle box = klass.get_rect();
    box.x += g.origin.x;
    box.y += g.origin.y;
    // Fill and outline cover the same whole pixels; the 1-pixel outline runs
    // along the pixel centres just inside the box's edges.
    g.fill = m_dc->snap_rect(box);
    g.outline = Rectangle(g.fill.x + 0.5, g.fill.y + 0.5, g.fill.width - 1.0, g.fill.height - 1.0);
    auto divider = [&](const Rectangle& band) {
        // Across the same whole pixels as the box's fill, on one pixel row.
        const Rectangle span = m_dc->snap_rect(Rectangle(band.x + g.origin.x, 0.0, box.width, 0.0));
        const double y = m_dc->snap_line_point(Point(0.0, band.y + g.origin.y), 1.0).y;
        g.dividers.push_back({span.x, span.x + span.width, y});
    };
    if (klass.block1_shown) {
        divider(klass.get_block1_div_rect());
    }
    if (klass.block2_shown) {
        divider(klass.get_block2_div_rect());
    }
    return g;
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
    is_active = is_active && m_dc->get_shows_edit_state();
    const ClassGeometry g = get_geometry(grid_rect, klass);
    cr->save();
    cr->rectangle(g.fill.x, g.fill.y, g.fill.width, g.fill.height);
    set_source_rgba(cr, is_active ? colors.get_active_element_fill() : colors.get_element_fill());
    cr->fill();
    cr->set_line_width(1.0);
    cr->rectangle(g.outline.x, g.outline.y, g.outline.width, g.outline.height);
    // The line colour stays the source for the dividers below.
    set_source_rgba(cr, is_active ? colors.get_active_element_line() : colors.get_element_line());
    cr->stroke();
    for (const auto& d : g.dividers) {
        cr->move_to(d.x0, d.y);
        cr->line_to(d.x1, d.y);
    }
    cr->stroke();
    if (!m_dc->get_draws_texts()) {
        cr->restore();
        return;
    }

    TextElementDrawer texts(m_dc);
    texts.set_pos(g.origin);
    texts.add_text_elem(klass.name_elem);
    if (klass.block1_shown) {
        texts.add_text_elem(klass.block1_elem);
    }
    if (klass.block2_shown) {
        texts.add_text_elem(klass.block2_elem);
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

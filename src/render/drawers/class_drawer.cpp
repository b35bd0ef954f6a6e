#include "render/drawers/class_drawer.hpp"

#include <optional>
#include <utility>
#include <vector>

#include "common/log.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "render/drawers/pixel_mask.hpp"
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
    // Without texts every box but the cursor's looks alike: one fill and one
    // stroke for all of them paint the same pixels as a fill and a stroke
    // for each (boxes never overlap), at a fraction of the cost, which
    // counts when a zoomed-out view shows a thousand boxes.
    const bool batched = !dc.get_draws_texts();
    const Cairo::RefPtr<Cairo::Context>& cr = dc.get_cr();
    std::vector<ClassGeometry> boxes;
    std::optional<std::pair<Rectangle, Model::ClassElement*>> active;
    dc.get_ws()->get_element_cells()->foreach (
        [&](int32_t h, int32_t v, const std::shared_ptr<Model::Element>& elem) {
            auto* klass = dynamic_cast<Model::ClassElement*>(elem.get());
            if (!klass) {
                return true;
            }
            Rectangle grid_rect = grid.get_rectangle(h, v);
            if (!grid_rect.is_intersect_region(update_region->cobj())) {
                return true;
            }
            const bool is_active = cursor == CellPos(h, v);
            if (!batched) {
                draw_class_element(update_region, grid_rect, *klass, is_active);
            } else if (is_active && dc.get_shows_edit_state()) {
                active.emplace(grid_rect, klass);
            } else {
                boxes.push_back(get_geometry(grid_rect, *klass));
            }
            return true;
        });
    if (!boxes.empty()) {
        const ColorMap& colors = *dc.get_color_map();
        cr->save();
        for (const auto& g : boxes) {
            cr->rectangle(g.fill.x, g.fill.y, g.fill.width, g.fill.height);
        }
        set_source_rgba(cr, colors.get_element_fill());
        cr->fill();
        // The outlines and dividers as the rectangles their strokes cover,
        // on whole pixels: cairo fills rectangles far faster than it
        // strokes.
        const double u = dc.get_line_unit();
        std::vector<Rectangle> lines;
        lines.reserve(boxes.size() * 5);
        for (const auto& g : boxes) {
            const Rectangle& o = g.outline;
            lines.emplace_back(o.x - u / 2, o.y - u / 2, o.width + u, u);
            lines.emplace_back(o.x - u / 2, o.y + o.height - u / 2, o.width + u, u);
            lines.emplace_back(o.x - u / 2, o.y + u / 2, u, o.height - u);
            lines.emplace_back(o.x + o.width - u / 2, o.y + u / 2, u, o.height - u);
            for (const auto& d : g.dividers) {
                lines.emplace_back(d.x0, d.y - u / 2, d.x1 - d.x0, u);
            }
        }
        set_source_rgba(cr, colors.get_element_line());
        fill_pixel_rectangles(cr, lines);
        cr->restore();
    }
    if (active) {
        draw_class_element(update_region, active->first, *active->second, true);
    }
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
    const double unit = m_dc->get_line_unit();
    g.outline = Rectangle(g.fill.x + unit / 2, g.fill.y + unit / 2, g.fill.width - unit,
                          g.fill.height - unit);
    auto divider = [&](const Rectangle& band) {
        // Across the same whole pixels as the box's fill, on one pixel row.
        const Rectangle span = m_dc->snap_rect(Rectangle(band.x + g.origin.x, 0.0, box.width, 0.0));
        const double y = m_dc->snap_line_point(Point(0.0, band.y + g.origin.y), unit).y;
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
    cr->set_line_width(m_dc->get_line_unit());
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

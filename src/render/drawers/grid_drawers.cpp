#include "render/drawers/grid_drawers.hpp"

#include <utility>

#include "common/log.hpp"
#include "common/rectangle.hpp"
#include "model/grid.hpp"

namespace View {

GridDrawer::GridDrawer(std::shared_ptr<WorkspaceDrawerContext> dc) : Drawer(std::move(dc)) {}

WorkspaceDrawerContext& GridDrawer::wdc() const {
    return static_cast<WorkspaceDrawerContext&>(*m_dc);
}

void GridDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    const ColorMap& colors = *m_dc->get_color_map();
    set_source_rgba(cr, colors.get_background());
    cr->paint();
    // Zoomed out too far for texts, the lines would be a few pixels apart
    // and a fraction of a pixel wide: a grey haze that costs more to paint
    // than the boxes. The boxes alone show the layout there.
    if (!m_dc->get_draws_texts()) {
        return;
    }
    set_source_rgba(cr, colors.get_grid());
    cr->set_line_width(1.0);
    draw_lines(CellDir::H, [this](double p, double a, double b) { draw_h_grid_line(p, a, b); });
    draw_lines(CellDir::V, [this](double p, double a, double b) { draw_v_grid_line(p, a, b); });
}

void GridDrawer::draw_lines(CellDir dir, const LineDrawer& line_drawer) {
    if (!can_draw()) {
        return;
    }
    const Model::GridList& list = wdc().get_grid().get(dir);
    Rectangle vr = Rectangle::init_from_cairo_int(m_dc->get_rect());
    CellDir other = inv(dir);
    // Only the visible lines: the list finds the first and last by position.
    int32_t first = list.get_index(vr.get_start(dir));
    int32_t last = list.get_index(vr.get_end(dir));
    for (int32_t i = first; i <= last; ++i) {
        line_drawer(list.get(i), vr.get_start(other), vr.get_end(other));
    }
    m_dc->get_cr()->stroke();
}

void GridDrawer::draw_h_grid_line(double x, double y1, double y2) {
    // On the pixel column that holds the boundary, whatever the offset.
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    x = m_dc->snap_line_point(Point(x, 0.0), cr->get_line_width()).x;
    cr->move_to(x, y1);
    cr->line_to(x, y2);
}

void GridDrawer::draw_v_grid_line(double y, double x1, double x2) {
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    y = m_dc->snap_line_point(Point(0.0, y), cr->get_line_width()).y;
    cr->move_to(x1, y);
    cr->line_to(x2, y);
}

CellCursorDrawer::CellCursorDrawer(std::shared_ptr<WorkspaceDrawerContext> dc)
    : Drawer(std::move(dc)) {}

void CellCursorDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    auto& dc = static_cast<WorkspaceDrawerContext&>(*m_dc);
    const CellPos& pos = dc.get_cell_pos();
    Rectangle r = dc.get_grid().get_rectangle(pos.h, pos.v);
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    set_source_rgba(cr, m_dc->get_color_map()->get_active_cell_frame());
    cr->set_line_width(2.0);
    // On whole pixels the 2-pixel frame covers one pixel on either side of
    // the border instead of three at partial strength.
    r = m_dc->snap_rect(r);
    cr->rectangle(r.x, r.y, r.width, r.height);
    cr->stroke();
}

SelectedRangeDrawer::SelectedRangeDrawer(std::shared_ptr<WorkspaceDrawerContext> dc)
    : Drawer(std::move(dc)) {}

void SelectedRangeDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    auto& dc = static_cast<WorkspaceDrawerContext&>(*m_dc);
    const std::optional<CellRange>& range = dc.get_selected_range();
    if (!range) {
        return;
    }
    // combine() gives the bounding box only from the top-left piece, and a
    // range can arrive in drag order.
    CellRange r = *range;
    r.ensure_consistency();
    const Model::Grid& grid = dc.get_grid();
    Rectangle s = grid.get_rectangle(r.start.h, r.start.v);
    Rectangle e = grid.get_rectangle(r.end.h, r.end.v);
    Rectangle box = m_dc->snap_rect(s.combine(e));
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    cr->save();
    set_source_rgba(cr, m_dc->get_color_map()->get_selected_cell_fill());
    cr->rectangle(box.x, box.y, box.width, box.height);
    cr->fill();
    cr->restore();
}

}  // namespace View

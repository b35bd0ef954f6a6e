#include "view/canvas.hpp"

#include <cmath>

#include <gdkmm/window.h>

namespace View {

double scroll_offset_component(CellDir axis, const CellPos& pos, const Rectangle& vr,
                               const Rectangle& gr, const Model::Grid& grid, double current) {
    if (gr.get_end(axis) > vr.get_end(axis)) {
        CellPos next = pos;
        next.set(axis, pos.get(axis) + 1);
        Rectangle r = grid.get_rectangle(next.h, next.v);
        return -(r.get_end(axis) - vr.get_size(axis));
    }
    if (gr.get_start(axis) < vr.get_start(axis)) {
        CellPos prev = pos;
        prev.set(axis, pos.get(axis) - 1);
        Rectangle r = grid.get_rectangle(prev.h, prev.v);
        return -r.get_start(axis);
    }
    return current;
}

Rectangle visible_rect(const Point& offset, int32_t width, int32_t height) {
    return Rectangle(std::trunc(-offset.x), std::trunc(-offset.y), width, height);
}

Canvas::Canvas() {
    add_events(Gdk::POINTER_MOTION_MASK | Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
    set_size_request(500, 400);
}

Canvas::~Canvas() = default;

void Canvas::update() {
    queue_draw();
}

void Canvas::set_view_offset_component(CellDir axis, double value) {
    Point p = m_view_offset;
    p.set(axis, value);
    set_view_offset(p);
}

void Canvas::set_view_offset(const Point& offset) {
    m_view_offset = offset;
    m_signal_view_offset_changed.emit();
}

void Canvas::scroll(CellDir axis, const CellPos& pos, const Rectangle& vr, const Rectangle& gr) {
    double now = m_view_offset.get(axis);
    double next = scroll_offset_component(axis, pos, vr, gr, get_grid(), now);
    if (next != now) {
        set_view_offset_component(axis, next);
    }
}

void Canvas::set_cell_pos(const CellPos& pos) {
    m_cell_pos = pos;
    // Both axes judge the same rectangles, taken before either scrolls.
    Rectangle vr = get_rect();
    Rectangle gr = get_grid().get_rectangle(pos.h, pos.v);
    scroll(CellDir::H, pos, vr, gr);
    scroll(CellDir::V, pos, vr, gr);
}

void Canvas::set_selected_cell_range(const std::optional<CellRange>& range) {
    m_selected_range = range;
}

Rectangle Canvas::get_rect() const {
    return visible_rect(m_view_offset, get_allocated_width(), get_allocated_height());
}

bool Canvas::on_configure_event(GdkEventConfigure* /*event*/) {
    return true;
}

bool Canvas::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    const Model::Grid& grid = get_grid();
    Rectangle vr = get_rect();
    cr->save();
    cr->translate(m_view_offset.x, m_view_offset.y);
    cr->set_source_rgb(0x11 / 255.0, 0x11 / 255.0, 0x11 / 255.0);
    cr->rectangle(vr.x, vr.y, vr.width, vr.height);
    cr->fill();
    cr->set_source_rgb(0x22 / 255.0, 0x22 / 255.0, 0x22 / 255.0);
    cr->set_line_width(1.0);
    int32_t h_end = grid.get(CellDir::H).get_index(vr.x + vr.width);
    for (int32_t h = grid.get(CellDir::H).get_index(vr.x); h <= h_end; ++h) {
        double x = grid.get(CellDir::H).get(h) + 0.5;
        cr->move_to(x, vr.y);
        cr->line_to(x, vr.y + vr.height);
    }
    int32_t v_end = grid.get(CellDir::V).get_index(vr.y + vr.height);
    for (int32_t v = grid.get(CellDir::V).get_index(vr.y); v <= v_end; ++v) {
        double y = grid.get(CellDir::V).get(v) + 0.5;
        cr->move_to(vr.x, y);
        cr->line_to(vr.x + vr.width, y);
    }
    cr->stroke();
    Rectangle c = grid.get_rectangle(m_cell_pos.h, m_cell_pos.v);
    cr->set_source_rgb(0x88 / 255.0, 0x88 / 255.0, 0.0);
    cr->rectangle(c.x + 0.5, c.y + 0.5, c.width - 1.0, c.height - 1.0);
    cr->stroke();
    cr->restore();
    return false;
}

}  // namespace View

#include "view/canvas.hpp"

#include <cmath>

#include <gdkmm/window.h>

#include "common/log.hpp"
#include "model/workspace.hpp"
#include "render/color_map.hpp"

namespace View {

double scroll_offset_component(CellDir axis, const CellPos& pos, const Rectangle& vr,
                               const Rectangle& gr, const Model::Grid& grid, double current) {
    // The cursor keeps a whole neighbouring cell in view on each side, so
    // its frame, drawn across the cell's border, is never cut.
    CellPos next = pos;
    next.set(axis, pos.get(axis) + 1);
    CellPos prev = pos;
    prev.set(axis, pos.get(axis) - 1);
    const Rectangle next_r = grid.get_rectangle(next.h, next.v);
    const Rectangle prev_r = grid.get_rectangle(prev.h, prev.v);
    const double size = vr.get_size(axis);
    double offset = current;
    if (next_r.get_end(axis) > vr.get_end(axis)) {
        offset = -(next_r.get_end(axis) - size);
    } else if (prev_r.get_start(axis) < vr.get_start(axis)) {
        offset = -prev_r.get_start(axis);
    }
    // A view too small for the cursor and its neighbours shows the cursor.
    if (gr.get_start(axis) < -offset) {
        offset = -gr.get_start(axis);
    } else if (gr.get_end(axis) > -offset + size && gr.get_size(axis) <= size) {
        offset = -(gr.get_end(axis) - size);
    }
    return offset;
}

Rectangle visible_rect(const Point& offset, int32_t width, int32_t height) {
    return Rectangle(std::trunc(-offset.x), std::trunc(-offset.y), width, height);
}

void configure_widget(DrawerContext& dc, Gtk::Widget& widget) {
    Glib::RefPtr<Gdk::Window> window = widget.get_window();
    if (!window) {
        return;
    }
    int32_t w = widget.get_allocated_width();
    int32_t h = widget.get_allocated_height();
    dc.configure_surface(window->create_similar_surface(Cairo::CONTENT_COLOR, w, h), w, h);
}

Canvas::Canvas(std::shared_ptr<Model::Workspace> ws) : m_ws(std::move(ws)) {
    add_events(Gdk::POINTER_MOTION_MASK | Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
    set_size_request(500, 400);
    LX_RETURN_IF_FAIL(m_ws != nullptr);
    m_update_connection = m_ws->signal_update().connect(sigc::mem_fun(*this, &Canvas::update));
    m_dc = std::make_shared<WorkspaceDrawerContext>(m_ws);
    m_dc->set_color_map(std::make_shared<ColorMap>());
    m_drawers = new_canvas_drawers(m_dc);
}

Canvas::~Canvas() {
    m_update_connection.disconnect();
}

Model::Grid& Canvas::get_grid() const {
    return *m_ws->get_grid();
}

void Canvas::update() {
    queue_draw();
}

Point Canvas::get_view_offset() const {
    return m_dc ? m_dc->get_offset() : Point();
}

void Canvas::set_view_offset(const Point& offset) {
    LX_RETURN_IF_FAIL(m_dc != nullptr);
    m_dc->set_offset(offset);
    m_signal_view_offset_changed.emit();
}

void Canvas::set_view_offset_component(CellDir axis, double value) {
    Point p = get_view_offset();
    p.set(axis, value);
    set_view_offset(p);
}

void Canvas::scroll(CellDir axis, const CellPos& pos, const Rectangle& vr, const Rectangle& gr) {
    double now = get_view_offset().get(axis);
    double next = scroll_offset_component(axis, pos, vr, gr, get_grid(), now);
    if (next != now) {
        set_view_offset_component(axis, next);
    }
}

void Canvas::set_cell_pos(const CellPos& pos) {
    LX_RETURN_IF_FAIL(m_dc != nullptr);
    m_dc->set_cell_pos(pos);
    // Both axes judge the same rectangles, taken before either scrolls.
    Rectangle vr = get_rect();
    Rectangle gr = get_grid().get_rectangle(pos.h, pos.v);
    scroll(CellDir::H, pos, vr, gr);
    scroll(CellDir::V, pos, vr, gr);
}

const CellPos& Canvas::get_cell_pos() const {
    static const CellPos origin;
    return m_dc ? m_dc->get_cell_pos() : origin;
}

void Canvas::set_selected_cell_range(const std::optional<CellRange>& range) {
    LX_RETURN_IF_FAIL(m_dc != nullptr);
    m_dc->set_selected_range(range);
}

const std::optional<CellRange>& Canvas::get_selected_cell_range() const {
    static const std::optional<CellRange> none;
    return m_dc ? m_dc->get_selected_range() : none;
}

Rectangle Canvas::get_rect() const {
    if (!m_dc) {
        return Rectangle();
    }
    return Rectangle::init_from_cairo_int(m_dc->get_rect());
}

bool Canvas::on_configure_event(GdkEventConfigure* /*event*/) {
    if (m_dc) {
        configure_widget(*m_dc, *this);
    }
    return true;
}

bool Canvas::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    if (!m_dc || !m_dc->get_surface()) {
        return false;
    }
    draw_all(m_drawers, *m_dc);
    cr->set_source(m_dc->get_surface(), 0, 0);
    cr->paint();
    return false;
}

}  // namespace View

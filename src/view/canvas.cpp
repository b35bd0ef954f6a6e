#include "view/canvas.hpp"

#include <cmath>

#include <gdkmm/window.h>

#include "common/log.hpp"
#include "model/workspace.hpp"
#include "render/color_map.hpp"
#include "view/zoom.hpp"

namespace View {

namespace {

// Widget pixels per wheel notch, and per unit of a touchpad's smooth delta.
constexpr double WHEEL_STEP = 60.0;
// The zoom factor per unit of a smooth wheel delta with Control.
constexpr double SMOOTH_ZOOM_BASE = 1.2;

}  // namespace

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
    add_events(Gdk::POINTER_MOTION_MASK | Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK |
               Gdk::SCROLL_MASK | Gdk::SMOOTH_SCROLL_MASK);
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
    scroll_into_view(pos);
}

void Canvas::scroll_into_view(const CellPos& pos) {
    LX_RETURN_IF_FAIL(m_dc != nullptr);
    // Both axes judge the same rectangles, taken before either scrolls.
    Rectangle vr = get_scroll_rect();
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

Rectangle Canvas::get_scroll_rect() const {
    // Unzoomed, the context's own rectangle, in whole pixels as ever; zoomed,
    // the exact area, since the context's is widened by a pixel all round.
    if (!m_dc || get_zoom() == 1.0) {
        return get_rect();
    }
    return Zoom::visible_area(get_view_offset(), get_zoom(), m_dc->get_width(), m_dc->get_height());
}

double Canvas::get_zoom() const {
    return m_dc ? m_dc->get_scale() : 1.0;
}

Point Canvas::wnd_to_ws(const Point& wnd) const {
    return Zoom::wnd_to_ws(wnd, get_view_offset(), get_zoom());
}

Point Canvas::clamped(const Point& offset) const {
    if (!m_dc) {
        return offset;
    }
    return Zoom::clamp_offset(offset, get_zoom(), m_dc->get_width(), m_dc->get_height(),
                              Zoom::world_area(*m_ws));
}

void Canvas::set_zoom(double level, const Point& anchor) {
    LX_RETURN_IF_FAIL(m_dc != nullptr);
    const double old_zoom = get_zoom();
    const double zoom = Zoom::clamp(level);
    if (zoom == old_zoom) {
        return;
    }
    const Point offset = Zoom::offset_around(get_view_offset(), old_zoom, zoom, anchor);
    m_dc->set_scale(zoom);
    m_dc->set_draws_texts(zoom >= Zoom::MIN_TEXT);
    set_view_offset(clamped(offset));
    LX_DEBUG("zoom %d %%", static_cast<int>(std::lround(zoom * 100.0)));
    m_signal_zoom_changed.emit();
    update();
}

void Canvas::zoom_keeping_cell(double level, const CellPos& pos) {
    LX_RETURN_IF_FAIL(m_dc != nullptr);
    const double zoom = get_zoom();
    const Rectangle cell = get_grid().get_rectangle(pos.h, pos.v);
    Point anchor(m_dc->get_width() / 2.0, m_dc->get_height() / 2.0);
    if (cell.is_intersect(get_scroll_rect())) {
        anchor = Zoom::ws_to_wnd(cell.get_center(), get_view_offset(), zoom);
    }
    set_zoom(level, anchor);
    set_cell_pos(pos);
}

void Canvas::zoom_to_fit(const CellPos& pos) {
    LX_RETURN_IF_FAIL(m_dc != nullptr);
    const Zoom::Fit fit =
        Zoom::fit(Zoom::diagram_area(*m_ws, pos), m_dc->get_width(), m_dc->get_height());
    set_zoom(fit.zoom, Point());
    set_view_offset(clamped(fit.offset));
    // A diagram too large for the smallest level shows at least the cursor.
    set_cell_pos(pos);
    update();
}

void Canvas::scroll_by(double dx, double dy) {
    LX_RETURN_IF_FAIL(m_dc != nullptr);
    const double zoom = get_zoom();
    const Point now = get_view_offset();
    const Point next = clamped(Point(now.x - dx / zoom, now.y - dy / zoom));
    if (next != now) {
        set_view_offset(next);
        update();
    }
}

bool Canvas::on_scroll_event(GdkEventScroll* event) {
    if (event == nullptr || !m_dc) {
        return false;
    }
    const bool zooming = (event->state & GDK_CONTROL_MASK) != 0;
    const bool sideways = (event->state & GDK_SHIFT_MASK) != 0;
    double dx = 0.0;
    double dy = 0.0;
    switch (event->direction) {
        case GDK_SCROLL_UP:
            dy = -1.0;
            break;
        case GDK_SCROLL_DOWN:
            dy = 1.0;
            break;
        case GDK_SCROLL_LEFT:
            dx = -1.0;
            break;
        case GDK_SCROLL_RIGHT:
            dx = 1.0;
            break;
        case GDK_SCROLL_SMOOTH:
            dx = event->delta_x;
            dy = event->delta_y;
            break;
    }
    if (zooming) {
        if (dy == 0.0) {
            return true;
        }
        const Point anchor(event->x, event->y);
        if (event->direction == GDK_SCROLL_SMOOTH) {
            set_zoom(get_zoom() * std::pow(SMOOTH_ZOOM_BASE, -dy), anchor);
        } else {
            set_zoom(dy < 0 ? Zoom::step_in(get_zoom()) : Zoom::step_out(get_zoom()), anchor);
        }
        return true;
    }
    if (sideways && dx == 0.0) {
        std::swap(dx, dy);
    }
    scroll_by(dx * WHEEL_STEP, dy * WHEEL_STEP);
    return true;
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

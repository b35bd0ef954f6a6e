#include "render/drawer_context.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include <pangomm/init.h>

#include "common/log.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"

namespace View {

namespace {

// Towards zero, like a C cast, but an offset beyond int's range (a view
// scrolled absurdly far) saturates instead of being undefined.
int truncate_to_int(double d) {
    if (!(d == d)) {
        return 0;
    }
    d = std::clamp(d, static_cast<double>(std::numeric_limits<int>::min()),
                   static_cast<double>(std::numeric_limits<int>::max()));
    return static_cast<int>(d);
}

}  // namespace

DrawerContext::DrawerContext() : m_color_map(std::make_shared<ColorMap>()) {
    // Drawers wrap Pango objects; a program that paints before it made any
    // model text (a test, a tool) must still have the wrappers registered.
    Pango::init();
    set_offset(Point(0.0, 0.0));
}

DrawerContext::~DrawerContext() = default;

void DrawerContext::update_cr_offset() {
    if (!m_cr) {
        return;
    }
    m_cr->set_identity_matrix();
    if (m_origin_x != 0 || m_origin_y != 0) {
        m_cr->translate(-m_origin_x, -m_origin_y);
    }
    if (m_scale != 1.0) {
        m_cr->scale(m_scale, m_scale);
    }
    m_cr->translate(m_offset.x, m_offset.y);
}

void DrawerContext::set_scale(double scale) {
    LX_RETURN_IF_FAIL(scale > 0.0 && std::isfinite(scale));
    m_scale = scale;
    update_cr_offset();
}

void DrawerContext::set_device_origin(int32_t x, int32_t y) {
    m_origin_x = x;
    m_origin_y = y;
    update_cr_offset();
}

void DrawerContext::replace_surface(Cairo::RefPtr<Cairo::Surface> surface, int32_t w, int32_t h) {
    // The old context refers to the old surface; drop it first so both go.
    m_cr.clear();
    m_surface = std::move(surface);
    m_width = w;
    m_height = h;
    m_cr = Cairo::Context::create(m_surface);
    update_cr_offset();
}

bool DrawerContext::configure_img(int32_t w, int32_t h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    // Cairo cannot make larger images, and a huge selection would otherwise
    // take all memory before anything is written.
    if (!fits_image(w, h)) {
        LX_DEBUG("image of %d x %d pixels is too large", w, h);
        m_cr.clear();
        m_surface.clear();
        m_width = 0;
        m_height = 0;
        return false;
    }
    replace_surface(Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, w, h), w, h);
    return true;
}

void DrawerContext::set_offset(const Point& offset) {
    m_offset = offset;
    update_cr_offset();
}

void DrawerContext::set_offset_x(double x) {
    m_offset.x = x;
    update_cr_offset();
}

void DrawerContext::set_offset_y(double y) {
    m_offset.y = y;
    update_cr_offset();
}

Cairo::RectangleInt DrawerContext::get_rect() const {
    Cairo::RectangleInt r;
    if (m_scale != 1.0 || m_origin_x != 0 || m_origin_y != 0) {
        // Whatever touches a surface pixel must be inside, so round outwards.
        const double x0 = m_origin_x / m_scale - m_offset.x;
        const double y0 = m_origin_y / m_scale - m_offset.y;
        r.x = truncate_to_int(std::floor(x0));
        r.y = truncate_to_int(std::floor(y0));
        r.width = truncate_to_int(std::ceil(x0 + m_width / m_scale)) - r.x + 1;
        r.height = truncate_to_int(std::ceil(y0 + m_height / m_scale)) - r.y + 1;
        return r;
    }
    r.x = truncate_to_int(-m_offset.x);
    r.y = truncate_to_int(-m_offset.y);
    r.width = m_width;
    r.height = m_height;
    return r;
}

Cairo::RefPtr<Cairo::Region> DrawerContext::get_region() const {
    return Cairo::Region::create(get_rect());
}

double DrawerContext::to_device_x(double x) const {
    return (x + m_offset.x) * m_scale - m_origin_x;
}

double DrawerContext::to_device_y(double y) const {
    return (y + m_offset.y) * m_scale - m_origin_y;
}

double DrawerContext::to_user_x(double x) const {
    return (x + m_origin_x) / m_scale - m_offset.x;
}

double DrawerContext::to_user_y(double y) const {
    return (y + m_origin_y) / m_scale - m_offset.y;
}

Point DrawerContext::snap_line_point(const Point& p, double line_width) const {
    // The stroke's near edge goes to the nearest pixel boundary; for a
    // 1-pixel line that is the centre of the pixel holding the coordinate.
    const double half = line_width * m_scale / 2.0;
    auto snap = [half](double v) { return std::floor(v - half + 0.5) + half; };
    return Point(to_user_x(snap(to_device_x(p.x))), to_user_y(snap(to_device_y(p.y))));
}

Rectangle DrawerContext::snap_rect(const Rectangle& r) const {
    auto snap = [](double v) { return std::floor(v + 0.5); };
    const double x0 = to_user_x(snap(to_device_x(r.x)));
    const double y0 = to_user_y(snap(to_device_y(r.y)));
    const double x1 = to_user_x(snap(to_device_x(r.x + r.width)));
    const double y1 = to_user_y(snap(to_device_y(r.y + r.height)));
    return Rectangle(x0, y0, x1 - x0, y1 - y0);
}

void DrawerContext::set_color_map(std::shared_ptr<ColorMap> color_map) {
    LX_RETURN_IF_FAIL(color_map != nullptr);
    m_color_map = std::move(color_map);
}

WorkspaceDrawerContext::WorkspaceDrawerContext(std::shared_ptr<Model::Workspace> ws)
    : m_ws(std::move(ws)) {
    if (!m_ws) {
        LX_CRITICAL("WorkspaceDrawerContext: assertion 'ws != NULL' failed");
    }
}

Model::Grid& WorkspaceDrawerContext::get_grid() const {
    return *m_ws->get_grid();
}

}  // namespace View

#include "render/drawers/drawer.hpp"

#include <utility>

#include "common/log.hpp"

namespace View {

void set_source_rgba(const Cairo::RefPtr<Cairo::Context>& cr, const Rgba& c) {
    cr->set_source_rgba(c.get_red(), c.get_green(), c.get_blue(), c.get_alpha());
}

Drawer::Drawer(std::shared_ptr<DrawerContext> dc) : m_dc(std::move(dc)) {
    if (!m_dc) {
        LX_CRITICAL("Drawer: assertion 'dc != NULL' failed");
    }
}

Drawer::~Drawer() = default;

bool Drawer::can_draw() const {
    LX_RETURN_VAL_IF_FAIL(m_dc != nullptr, false);
    LX_RETURN_VAL_IF_FAIL(m_dc->get_cr(), false);
    return true;
}

void Drawer::draw_caret(const Glib::RefPtr<Pango::Layout>& layout, const Point& pt, int index) {
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    // Clamp so a stale cursor past the end of a shortened text still shows
    // at the end instead of asking Pango about a byte it does not have.
    int len = static_cast<int>(layout->get_text().bytes());
    if (index > len) {
        index = len;
    }
    Pango::Rectangle pos = layout->index_to_pos(index);
    cr->rectangle(pt.x + pos.get_x() / 1024.0, pt.y + pos.get_y() / 1024.0, 2.0,
                  pos.get_height() / 1024.0);
    cr->fill();
}

void Drawer::draw_pango_layout(const Glib::RefPtr<Pango::Layout>& layout, const Point& pt,
                               int cursor_index) {
    LX_RETURN_IF_FAIL(layout);
    if (!can_draw()) {
        return;
    }
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    cr->save();
    set_source_rgba(cr, m_dc->get_color_map()->get_text());
    cr->move_to(pt.x, pt.y);
    layout->show_in_cairo_context(cr);
    if (cursor_index >= 0) {
        draw_caret(layout, pt, cursor_index);
    }
    cr->restore();
}

}  // namespace View

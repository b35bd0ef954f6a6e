#include "render/drawers/text_drawer.hpp"

#include <utility>

#include "common/log.hpp"

namespace View {

TextDrawer::TextDrawer(std::shared_ptr<DrawerContext> dc) : Drawer(std::move(dc)) {}

bool TextDrawer::is_overlap(const Cairo::RefPtr<Cairo::Region>& region) const {
    LX_RETURN_VAL_IF_FAIL(region, false);
    if (!m_layout) {
        return false;
    }
    int w = 0;
    int h = 0;
    m_layout->get_pixel_size(w, h);
    Cairo::RectangleInt r{static_cast<int>(m_pos.x), static_cast<int>(m_pos.y), w, h};
    return region->contains_rectangle(r) != Cairo::REGION_OVERLAP_OUT;
}

void TextDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw() || !is_overlap(update_region)) {
        return;
    }
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    cr->save();
    Glib::RefPtr<Pango::Layout> layout = m_layout;
    if (m_preedit_attrs) {
        // Splice into a copy: the layout belongs to the text editor, and
        // splicing into its own list on every frame would pile up shifted
        // copies of the attributes for as long as the composition lasts.
        layout = m_layout->copy();
        Pango::AttrList attrs = layout->get_attributes();
        if (!attrs.gobj()) {
            attrs = Pango::AttrList();
        }
        Pango::AttrList preedit = *m_preedit_attrs;
        attrs.splice(preedit, m_preedit_pos, static_cast<int>(layout->get_text().bytes()));
        layout->set_attributes(attrs);
    }
    set_source_rgba(cr, m_dc->get_color_map()->get_text());
    cr->move_to(m_pos.x, m_pos.y);
    layout->show_in_cairo_context(cr);
    if (m_is_cursor_shown) {
        draw_caret(layout, m_pos, m_cursor_index);
    }
    cr->restore();
}

}  // namespace View

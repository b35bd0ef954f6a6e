#include "render/drawers/text_element_drawer.hpp"

#include <algorithm>
#include <utility>

#include <pangomm/attrlist.h>

#include "common/log.hpp"
#include "common/rectangle.hpp"
#include "model/text_element.hpp"

namespace View {

TextElementDrawer::TextElementDrawer(std::shared_ptr<DrawerContext> dc) : Drawer(std::move(dc)) {}

void TextElementDrawer::add_text_elem(const std::shared_ptr<Model::TextElement>& elem) {
    LX_RETURN_IF_FAIL(elem != nullptr);
    if (std::find(m_text_elems.begin(), m_text_elems.end(), elem) == m_text_elems.end()) {
        m_text_elems.push_back(elem);
    }
}

void TextElementDrawer::set_attr_select_range(const Glib::RefPtr<Pango::Layout>& layout,
                                              const TextRange& range) {
    LX_RETURN_IF_FAIL(layout);
    if (!m_dc) {
        return;
    }
    Pango::AttrList attrs = layout->get_attributes();
    if (!attrs.gobj()) {
        attrs = Pango::AttrList();
    }
    const Rgba& c = m_dc->get_color_map()->get_selected_text();
    auto to16 = [](double d) { return static_cast<guint16>(d * 65535.0); };
    Pango::AttrColor bg = Pango::Attribute::create_attr_background(
        to16(c.get_red()), to16(c.get_green()), to16(c.get_blue()));
    bg.set_start_index(range.start);
    bg.set_end_index(range.end);
    attrs.insert(bg);
    layout->set_attributes(attrs);
}

void TextElementDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    for (const auto& elem : m_text_elems) {
        Rectangle r = elem->get_rect();
        r.x += m_pos.x;
        r.y += m_pos.y;
        if (!r.is_intersect_region(update_region->cobj()) || !elem->pango_layout) {
            continue;
        }
        // The highlight goes on a copy: the element's layout is shared with
        // the text editor and must not change by being drawn. Without
        // highlight, the layout is only read.
        const bool editing = m_dc->get_shows_edit_state();
        Glib::RefPtr<Pango::Layout> layout = elem->pango_layout;
        // An empty selection highlights nothing; copying the layout for it
        // would only make Pango lay the text out again on every frame.
        if (editing && elem->text_range.start != elem->text_range.end) {
            layout = layout->copy();
            set_attr_select_range(layout, elem->text_range);
        }
        draw_pango_layout(layout, Point(r.x, r.y),
                          editing && elem->is_editing ? elem->cursor_index : -1);
    }
}

}  // namespace View

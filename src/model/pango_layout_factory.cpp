#include "model/pango_layout_factory.hpp"

#include <pango/pangocairo.h>
#include <pangomm/init.h>

namespace Model {

PangoLayoutFactory::PangoLayoutFactory() : m_font(FONT) {
    Pango::init();
    // The default PangoCairo font map needs no display; its context measures
    // exactly what the canvas later draws with the same font.
    PangoFontMap* font_map = pango_cairo_font_map_get_default();
    m_context = Glib::wrap(pango_font_map_create_context(font_map));
}

Glib::RefPtr<Pango::Layout> PangoLayoutFactory::new_pango_layout() const {
    Glib::RefPtr<Pango::Layout> layout = Pango::Layout::create(m_context);
    layout->set_font_description(m_font);
    return layout;
}

}  // namespace Model

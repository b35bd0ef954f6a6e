#pragma once

#include <pangomm/context.h>
#include <pangomm/layout.h>

namespace Model {

// Makes the text layouts of a document, all in the font "Sans 16px", from
// the default PangoCairo font map, so text is measured without a display.
class PangoLayoutFactory {
  public:
    static constexpr const char* FONT = "Sans 16px";

    PangoLayoutFactory();

    Glib::RefPtr<Pango::Layout> new_pango_layout() const;
    Glib::RefPtr<Pango::Context> get_context() const { return m_context; }

  private:
    Glib::RefPtr<Pango::Context> m_context;
    Pango::FontDescription m_font;
};

}  // namespace Model

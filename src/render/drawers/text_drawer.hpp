#pragma once

#include <optional>

#include <pangomm/attrlist.h>

#include "render/drawers/drawer.hpp"

namespace View {

// Shows one text layout at pos, optionally with a caret and with input-method
// preedit attributes; the command bar draws its mode name, prompt and
// command line with it.
class TextDrawer : public Drawer {
  public:
    explicit TextDrawer(std::shared_ptr<DrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;

    // Whether region meets the layout's box at pos (whole pixels).
    bool is_overlap(const Cairo::RefPtr<Cairo::Region>& region) const;

    const Point& get_pos() const { return m_pos; }
    void set_pos(const Point& pos) { m_pos = pos; }
    const Glib::RefPtr<Pango::Layout>& get_layout() const { return m_layout; }
    void set_layout(const Glib::RefPtr<Pango::Layout>& layout) { m_layout = layout; }
    bool get_is_cursor_shown() const { return m_is_cursor_shown; }
    void set_is_cursor_shown(bool shown) { m_is_cursor_shown = shown; }
    int get_cursor_index() const { return m_cursor_index; }
    void set_cursor_index(int index) { m_cursor_index = index; }
    // The input method's attributes of the string being composed, spliced in
    // at preedit_pos; nullopt when nothing is being composed.
    const std::optional<Pango::AttrList>& get_preedit_attrs() const { return m_preedit_attrs; }
    void set_preedit_attrs(const std::optional<Pango::AttrList>& attrs) { m_preedit_attrs = attrs; }
    int get_preedit_pos() const { return m_preedit_pos; }
    void set_preedit_pos(int pos) { m_preedit_pos = pos; }

  private:
    Point m_pos;
    Glib::RefPtr<Pango::Layout> m_layout;
    bool m_is_cursor_shown = false;
    int m_cursor_index = 0;
    std::optional<Pango::AttrList> m_preedit_attrs;
    int m_preedit_pos = 0;
};

}  // namespace View

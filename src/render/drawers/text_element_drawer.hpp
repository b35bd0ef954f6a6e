#pragma once

#include <vector>

#include "common/text_range.hpp"
#include "render/drawers/drawer.hpp"

namespace Model {
class TextElement;
}

namespace View {

// Shows the texts of one class box: each element's layout at its rectangle
// shifted by pos, with its selected text range highlighted and, while the
// element is being edited, a caret. The elements' own layouts are never
// changed by drawing; the highlight goes on a copy.
class TextElementDrawer : public Drawer {
  public:
    explicit TextElementDrawer(std::shared_ptr<DrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;

    const Point& get_pos() const { return m_pos; }
    void set_pos(const Point& pos) { m_pos = pos; }
    // Adding an element twice keeps one entry.
    void add_text_elem(const std::shared_ptr<Model::TextElement>& elem);
    const std::vector<std::shared_ptr<Model::TextElement>>& get_text_elems() const {
        return m_text_elems;
    }

    // Highlights the bytes [range.start, range.end) of layout with the colour
    // map's selected-text background.
    void set_attr_select_range(const Glib::RefPtr<Pango::Layout>& layout, const TextRange& range);

  private:
    Point m_pos;
    std::vector<std::shared_ptr<Model::TextElement>> m_text_elems;
};

}  // namespace View

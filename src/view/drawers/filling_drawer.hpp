#pragma once

#include "view/drawers/drawer.hpp"

namespace View {

// Paints the whole surface in one colour, ignoring the region and the clip.
class FillingDrawer : public Drawer {
  public:
    FillingDrawer(std::shared_ptr<DrawerContext> dc, const Gdk::RGBA& color);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;

    const Gdk::RGBA& get_color() const { return m_color; }
    void set_color(const Gdk::RGBA& color) { m_color = color; }

  private:
    Gdk::RGBA m_color;
};

// Paints the whole surface in the colour map's background colour, read
// afresh on every draw.
class FillingBackgroundDrawer : public FillingDrawer {
  public:
    explicit FillingBackgroundDrawer(std::shared_ptr<DrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;
};

}  // namespace View

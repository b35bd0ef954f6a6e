#pragma once

#include "render/drawers/drawer.hpp"

namespace View {

// Paints the whole surface in one colour, ignoring the region and the clip.
class FillingDrawer : public Drawer {
  public:
    FillingDrawer(std::shared_ptr<DrawerContext> dc, const Rgba& color);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;

    const Rgba& get_color() const { return m_color; }
    void set_color(const Rgba& color) { m_color = color; }

  private:
    Rgba m_color;
};

// Paints the whole surface in the colour map's background colour, read
// afresh on every draw.
class FillingBackgroundDrawer : public FillingDrawer {
  public:
    explicit FillingBackgroundDrawer(std::shared_ptr<DrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;
};

}  // namespace View

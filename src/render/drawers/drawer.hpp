#pragma once

#include <memory>

#include <cairomm/context.h>
#include <cairomm/region.h>
#include <glibmm/refptr.h>
#include <pangomm/layout.h>

#include "common/point.hpp"
#include "render/drawer_context.hpp"
#include "render/rgba.hpp"

namespace View {

// Sets an RGBA colour as cr's source.
void set_source_rgba(const Cairo::RefPtr<Cairo::Context>& cr, const Rgba& c);

// Paints one kind of thing through a drawing context, in workspace pixels,
// in the colours of the context's colour map. Drawers keep no state between
// frames: they read everything from the context and the model at draw time.
// They need only the context's cairo context, so they paint image surfaces
// as well as the screen.
class Drawer {
  public:
    explicit Drawer(std::shared_ptr<DrawerContext> dc);
    virtual ~Drawer();
    Drawer(const Drawer&) = delete;
    Drawer& operator=(const Drawer&) = delete;

    // update_region is in workspace pixels, normally the context's
    // get_region(). A null region or a context without a surface paints
    // nothing.
    virtual void draw(const Cairo::RefPtr<Cairo::Region>& update_region) = 0;

    const std::shared_ptr<DrawerContext>& get_dc() const { return m_dc; }

  protected:
    // Shows layout at pt in the text colour, with a caret at cursor_index
    // when it is not negative.
    void draw_pango_layout(const Glib::RefPtr<Pango::Layout>& layout, const Point& pt,
                           int cursor_index);
    // A 2-pixel caret at the byte index, in the current source colour.
    void draw_caret(const Glib::RefPtr<Pango::Layout>& layout, const Point& pt, int index);
    // Whether the context can be painted on (it has been configured).
    bool can_draw() const;

    std::shared_ptr<DrawerContext> m_dc;
};

}  // namespace View

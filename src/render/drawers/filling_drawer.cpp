#include "render/drawers/filling_drawer.hpp"

#include <utility>

#include "common/log.hpp"

namespace View {

FillingDrawer::FillingDrawer(std::shared_ptr<DrawerContext> dc, const Rgba& color)
    : Drawer(std::move(dc)), m_color(color) {}

void FillingDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    LX_RETURN_IF_FAIL(update_region);
    if (!can_draw()) {
        return;
    }
    const Cairo::RefPtr<Cairo::Context>& cr = m_dc->get_cr();
    cr->save();
    set_source_rgba(cr, m_color);
    cr->paint();
    cr->restore();
}

namespace {
Rgba opaque_black() {
    Rgba c;
    c.set_rgba(0.0, 0.0, 0.0, 1.0);
    return c;
}
}  // namespace

FillingBackgroundDrawer::FillingBackgroundDrawer(std::shared_ptr<DrawerContext> dc)
    : FillingDrawer(std::move(dc), opaque_black()) {}

void FillingBackgroundDrawer::draw(const Cairo::RefPtr<Cairo::Region>& update_region) {
    if (m_dc) {
        set_color(m_dc->get_color_map()->get_background());
    }
    FillingDrawer::draw(update_region);
}

}  // namespace View

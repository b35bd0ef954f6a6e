#include "render/drawers/drawer_list.hpp"

#include "render/drawers/class_drawer.hpp"
#include "render/drawers/connector_drawers.hpp"
#include "render/drawers/filling_drawer.hpp"
#include "render/drawers/grid_drawers.hpp"

namespace View {

DrawerList new_canvas_drawers(const std::shared_ptr<WorkspaceDrawerContext>& dc) {
    DrawerList list;
    list.push_back(std::make_unique<GridDrawer>(dc));
    list.push_back(std::make_unique<CellCursorDrawer>(dc));
    list.push_back(std::make_unique<ClassDrawer>(dc));
    list.push_back(std::make_unique<FloatingConnectorDrawer>(dc));
    list.push_back(std::make_unique<FixedConnectorDrawer>(dc));
    list.push_back(std::make_unique<SelectedRangeDrawer>(dc));
    return list;
}

DrawerList new_export_drawers(const std::shared_ptr<WorkspaceDrawerContext>& dc,
                              std::shared_ptr<HeldConnectors> held) {
    DrawerList list;
    list.push_back(std::make_unique<FillingBackgroundDrawer>(dc));
    list.push_back(std::make_unique<ClassDrawer>(dc));
    list.push_back(std::make_unique<FixedConnectorDrawer>(dc, std::move(held)));
    return list;
}

void draw_all(const DrawerList& drawers, const DrawerContext& dc) {
    if (!dc.get_cr()) {
        return;
    }
    for (const auto& d : drawers) {
        d->draw(dc.get_region());
    }
}

}  // namespace View

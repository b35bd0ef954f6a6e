#pragma once

#include <memory>
#include <vector>

#include "render/drawers/drawer.hpp"

namespace View {

using DrawerList = std::vector<std::unique_ptr<Drawer>>;

// The canvas's drawers in painting order: grid (which also clears the
// frame), cell cursor, classes, the connector being drawn, the connectors,
// and the selected range on top of everything.
DrawerList new_canvas_drawers(const std::shared_ptr<WorkspaceDrawerContext>& dc);

struct HeldConnectors;

// The exported image's drawers: background, classes and the connectors.
// No grid, cursor, selection or connector still being drawn. Drawer lists
// that share held paint bands of one unchanging document.
DrawerList new_export_drawers(const std::shared_ptr<WorkspaceDrawerContext>& dc,
                              std::shared_ptr<HeldConnectors> held = nullptr);

// Runs every drawer over the context's whole visible region, in order.
void draw_all(const DrawerList& drawers, const DrawerContext& dc);

}  // namespace View

#pragma once

#include <memory>
#include <typeindex>
#include <unordered_map>

#include "render/drawers/connector_end_drawers.hpp"
#include "render/drawers/drawer.hpp"

namespace Model {
class AbstractConnectorElement;
class IConnectorTerm;
}  // namespace Model

namespace View {

// Paints connectors as the polylines of their routed segments plus the
// decorations of their ends, in the line colour (or the active colour at
// width 2 while a connector is selected).
class ConnectorDrawerBase : public Drawer {
  public:
    explicit ConnectorDrawerBase(std::shared_ptr<WorkspaceDrawerContext> dc);

    void draw_connector(Model::AbstractConnectorElement& connector);
    // offset: the workspace position of the top-left corner of the cell the
    // terminal belongs to. A terminal without a decoration draws nothing.
    void draw_connector_term(const Model::IConnectorTerm& con_term, const Point& offset);

  protected:
    WorkspaceDrawerContext& wdc() const;

  private:
    // Keyed by the terminal's run-time type; the drawers are stateless and
    // shared by all ends.
    std::unordered_map<std::type_index, std::shared_ptr<AbstractConnectorEndDrawer>> m_end_drawers;
};

// The connector being drawn in connect mode, if there is one.
class FloatingConnectorDrawer : public ConnectorDrawerBase {
  public:
    explicit FloatingConnectorDrawer(std::shared_ptr<WorkspaceDrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;
};

// Every connector of the workspace. Connectors are not culled: later ones
// paint over earlier ones where they cross.
class FixedConnectorDrawer : public ConnectorDrawerBase {
  public:
    explicit FixedConnectorDrawer(std::shared_ptr<WorkspaceDrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;
};

}  // namespace View

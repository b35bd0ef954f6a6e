#pragma once

#include <memory>
#include <optional>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/rectangle.hpp"
#include "render/connector_labels.hpp"
#include "render/drawers/connector_end_drawers.hpp"
#include "render/drawers/drawer.hpp"

namespace Model {
class AbstractConnectorElement;
class Grid;
class IConnectorTerm;
}  // namespace Model

namespace View {

// Where a connector's pieces lie, in workspace pixels, snapped so that
// lines cover whole surface pixels.
struct ConnectorGeometry {
    // Selected and shown so: the active colour at width 2.
    bool highlighted = false;
    // No route reaches one end from the other: one dashed line from box to
    // box in the active colour, without decorations, so the connector can
    // be seen and deleted.
    bool unrouted = false;
    // The kind's line is dashed (dependency, realization).
    bool dashed = false;
    double line_width = 1.0;
    // Each segment from its start to its end, in route order.
    std::vector<std::pair<Point, Point>> lines;
    // The decorations of the ends that have one, start first.
    std::vector<ConnectorEndShape> ends;

    // The smallest rectangle holding every point, widened by the line
    // width: nothing is painted outside it. Empty (0 x 0 at 0, 0) without
    // any point.
    Rectangle get_bounds() const;
};

// Paints connectors as the polylines of their routed segments plus the
// decorations of their ends, in the line colour (or the active colour at
// width 2 while a connector is selected).
class ConnectorDrawerBase : public Drawer {
  public:
    explicit ConnectorDrawerBase(std::shared_ptr<WorkspaceDrawerContext> dc);

    void draw_connector(Model::AbstractConnectorElement& connector);
    void draw_geometry(const ConnectorGeometry& g);
    // What draw_connector paints, for painters other than cairo.
    ConnectorGeometry get_geometry(const Model::AbstractConnectorElement& connector) const;
    // offset: the workspace position of the top-left corner of the cell the
    // terminal belongs to. A terminal without a decoration draws nothing.
    void draw_connector_term(const Model::IConnectorTerm& con_term, const Point& offset);

  protected:
    WorkspaceDrawerContext& wdc() const;

  private:
    // The placed decoration of a terminal whose cell's top-left corner is
    // offset, or nullopt for a bare end; scale below 1 draws it shorter.
    std::optional<ConnectorEndShape> end_shape(const Model::IConnectorTerm& con_term,
                                               const Point& offset, double line_width,
                                               double scale = 1.0) const;
    // From the edge of the start box to the edge of the end box, on the
    // line between their middles.
    std::pair<Point, Point> box_to_box(const Model::Grid& grid,
                                       const Model::AbstractConnectorElement& connector) const;

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

// What an export works out once for all of its bands: the document does
// not change while it is painted, and working out every connector's
// geometry and placing the labels cost as much as painting a band.
struct HeldConnectors {
    bool geometries_ready = false;
    std::vector<ConnectorGeometry> geometries;  // in uid order
    bool labels_ready = false;
    PlacedLabels labels;
};

// Every connector of the workspace. Connectors are not culled: later ones
// paint over earlier ones where they cross.
class FixedConnectorDrawer : public ConnectorDrawerBase {
  public:
    // With held, the drawers that share it paint one unchanging document:
    // the first to draw fills it, and the others reuse it.
    explicit FixedConnectorDrawer(std::shared_ptr<WorkspaceDrawerContext> dc,
                                  std::shared_ptr<HeldConnectors> held = nullptr);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;

  private:
    // Plain connectors of one line width, painted together.
    void draw_batch(const std::vector<ConnectorGeometry>& geometries);
    // The labels of all connectors, placed over the whole diagram so that
    // every frame and every export band agrees, painted where they meet area.
    void draw_labels(const Rectangle& area);
    // The last placement; see draw_labels.
    LabelPlacer m_labels;
    std::shared_ptr<HeldConnectors> m_held;
    // A laid-out text per label text: setting a text on a layout shapes it
    // anew at the next paint, and most labels repeat a few texts ("1",
    // "0..*"), so each is shaped once rather than once per label and frame.
    std::unordered_map<std::string, Glib::RefPtr<Pango::Layout>> m_label_layouts;
};

}  // namespace View

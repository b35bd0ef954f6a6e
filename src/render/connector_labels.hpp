#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <glibmm/refptr.h>
#include <pangomm/layout.h>

#include "common/rectangle.hpp"
#include "model/connector_element.hpp"
#include "model/connector_label_room.hpp"

namespace Model {
class Workspace;
}

namespace View {

// One connector label where it is shown: its text's box in workspace
// pixels, and the distance from the box's top to the text's baseline.
struct PlacedLabel {
    Model::ConnectorLabel which = Model::ConnectorLabel::NAME;
    std::string text;
    Rectangle box;
    double baseline = 0.0;
};

using PlacedLabels =
    std::unordered_map<const Model::AbstractConnectorElement*, std::vector<PlacedLabel>>;

// Where the labels of the workspace's connectors go. The name sits beside
// the middle of the connector's longest segment; an end's label beside the
// line just off the class side. Each label takes the first of a few spots
// that covers no class box, no label placed before it and no end
// decoration, preferring spots that cross no other line; labels are placed
// in connector uid order, so the picture follows from the document alone.
// Connectors without labels cost nothing here.
PlacedLabels place_connector_labels(const Model::Workspace& ws);

// The same placement, kept between calls: the screen asks for it on every
// frame, and after an edit most labels lie where nothing they were placed
// by has changed. Each label remembers the spots it looked at; one is
// placed again only when its own connector or text changed, or when
// something in those spots differs from last time (a box, a line, a
// decoration, or a label placed before it that moved). Everything else
// keeps its spot, which is exactly the spot a placement from scratch gives.
class LabelPlacer {
  public:
    const PlacedLabels& place(const Model::Workspace& ws);

    // The labels placed again by the last call that placed any; for the
    // benchmarks and tests.
    size_t get_replaced_count() const { return m_replaced; }

    LabelPlacer();
    ~LabelPlacer();
    LabelPlacer(const LabelPlacer&) = delete;
    LabelPlacer& operator=(const LabelPlacer&) = delete;

  private:
    struct Label {
        std::string text;
        Rectangle box;
        Rectangle examined;  // the bounding box of the spots looked at
        double baseline = 0.0;
    };
    struct Connector {
        uint32_t uid = 0;
        const Model::AbstractConnectorElement* con = nullptr;
        uint32_t first_line = 0;  // into lines and line_boxes
        uint32_t lines = 0;
        uint32_t first_decoration = 0;
        uint32_t decorations = 0;
        Point ends[2];    // where the line meets each class
        Label labels[3];  // start, end, name: the order they are placed in
        bool has_labels = false;
    };
    // What one placement read, and where it put the labels.
    struct Scene {
        std::vector<Connector> connectors;  // routed ones, by uid
        std::vector<std::pair<Point, Point>> lines;
        std::vector<Rectangle> line_boxes;
        std::vector<Rectangle> decorations;
        std::vector<Rectangle> boxes;  // sorted
        bool unique_uids = true;
    };
    struct Fields;
    void place_all(const Model::Workspace& ws);

    Scene m_scene;
    Scene m_spare;
    // The look-ups of a placement: those of m_scene's boxes, lines and
    // decorations are kept while the scene lasts.
    std::unique_ptr<Fields> m_fields;
    PlacedLabels m_placed;
    size_t m_digest = 0;
    bool m_valid = false;
    size_t m_replaced = 0;
};

// A digest of everything placement reads: the grid, the class boxes, the
// routes, the decorations and the labels. Far cheaper than placing; equal
// digests give equal placements.
size_t label_inputs_digest(const Model::Workspace& ws);

// area grown to hold every placed label that reaches into it, so an export
// of area cuts no label off at its edge.
Rectangle area_with_labels(const Model::Workspace& ws, const Rectangle& area);

// The layout a label is measured and painted with.
Glib::RefPtr<Pango::Layout> new_label_layout(const Model::Workspace& ws, const std::string& text);

// The font of labels, a little smaller than the classes' texts.
inline constexpr const char* LABEL_FONT = Model::LABEL_FONT;

// Labels that cover a class box, another label or an end decoration: 0 is
// the goal.
int count_label_overlaps(const Model::Workspace& ws, const PlacedLabels& labels);

}  // namespace View

#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sigc++/signal.h>

#include "common/cell_pos.hpp"
#include "model/routing/route.hpp"
#include "common/directions.hpp"
#include "common/rectangle.hpp"
#include "model/connector_terms.hpp"
#include "model/element.hpp"

class SerializingReader;
class SerializingWriter;

namespace Model {

class Route;
class Segment;

// The texts a connector may carry: its name, shown at the middle of its
// longest segment, and a label at each end (a multiplicity, a role).
enum class ConnectorLabel { NAME = 0, START = 1, END = 2 };

// A relationship between two class boxes. It has no box of its own; what it
// shows is its route's segments and its two end decorations. The kinds
// differ only in their document name and their decorations.
class AbstractConnectorElement : public Element {
  public:
    using SegmentList = std::vector<std::shared_ptr<Segment>>;

    ~AbstractConnectorElement() override;

    // The cells of the start and end class; (-1, -1) until routed or read.
    // Where the search for the current route looked; see SearchArea.
    SearchArea route_search_area;
    CellPos start_pos{-1, -1};
    CellPos end_pos{-1, -1};
    // The classes found at those cells, kept by the workspace and by
    // Connectors::update_linked_elem; null for an empty cell.
    std::shared_ptr<Element> start_elem;
    std::shared_ptr<Element> end_elem;
    // Chosen by the kind; null where the kind draws a bare line end.
    std::shared_ptr<IConnectorTerm> start_term;
    std::shared_ptr<IConnectorTerm> end_term;

    // The text at that place; empty where there is none.
    const std::string& get_label(ConnectorLabel which) const;
    // An empty text removes the label.
    void set_label(ConnectorLabel which, std::string text);
    bool has_labels() const;

    // Connectors are not laid out as boxes.
    void layout(const Rectangle& box) override;
    Rectangle get_rect() const override { return Rectangle(); }

    // The kind's name in documents ("association", ...).
    virtual std::string get_serializing_type_name() const = 0;
    // Drawn as a dashed line (the weaker relationships) rather than solid.
    virtual bool is_dashed() const { return false; }

    // Takes the route's ends and replaces the segment list with the route's
    // segments, handing them this connector's classes and decorations. The
    // new segments are not laid out.
    void update_route(const Route& route);
    // In route order from start to end.
    const SegmentList& get_segments() const { return m_segs; }

    // True when every segment is laid out (so also without segments).
    bool get_is_laid_out() const;
    // Sets the flag on every segment; false queues them for the next layout.
    void set_is_laid_out(bool value);
    sigc::signal<void()>& signal_is_laid_out_changed() { return m_signal_is_laid_out_changed; }

    // Which end lies at pos; the start wins when both ends share the cell.
    std::optional<StartOrEnd> get_start_or_end_at(const CellPos& pos) const;
    // The direction in which the connector leaves its class at that end.
    MovingDir get_udlr_from_term(StartOrEnd se) const;
    // The laid-out offset of the first (START) or last (END) segment.
    double get_pos_at_term(StartOrEnd se) const;

    bool write_term(SerializingWriter& writer, const char* name, const CellPos& pos) const;
    CellPos read_term(SerializingReader& reader) const;
    bool write(SerializingWriter& writer) override;
    bool read(SerializingReader& reader) override;

  protected:
    explicit AbstractConnectorElement(std::shared_ptr<ElementContext> elem_context);

  private:
    SegmentList m_segs;
    std::string m_labels[3];
    sigc::signal<void()> m_signal_is_laid_out_changed;
};

class AssociationConnectorElement : public AbstractConnectorElement {
  public:
    explicit AssociationConnectorElement(std::shared_ptr<ElementContext> elem_context);
    std::string get_serializing_type_name() const override { return "association"; }
};

class DependencyConnectorElement : public AbstractConnectorElement {
  public:
    explicit DependencyConnectorElement(std::shared_ptr<ElementContext> elem_context);
    std::string get_serializing_type_name() const override { return "dependency"; }
    bool is_dashed() const override { return true; }
};

class AggregationConnectorElement : public AbstractConnectorElement {
  public:
    explicit AggregationConnectorElement(std::shared_ptr<ElementContext> elem_context);
    std::string get_serializing_type_name() const override { return "aggregation"; }
};

class CompositionConnectorElement : public AbstractConnectorElement {
  public:
    explicit CompositionConnectorElement(std::shared_ptr<ElementContext> elem_context);
    std::string get_serializing_type_name() const override { return "composition"; }
};

class GeneralizationConnectorElement : public AbstractConnectorElement {
  public:
    explicit GeneralizationConnectorElement(std::shared_ptr<ElementContext> elem_context);
    std::string get_serializing_type_name() const override { return "generalization"; }
};

// A class implementing an interface: drawn from the implementing class to
// the interface, dashed, with the generalization's hollow triangle.
class RealizationConnectorElement : public AbstractConnectorElement {
  public:
    explicit RealizationConnectorElement(std::shared_ptr<ElementContext> elem_context);
    std::string get_serializing_type_name() const override { return "realization"; }
    bool is_dashed() const override { return true; }
};

// A new connector of the kind named in documents; null for an unknown name.
std::shared_ptr<AbstractConnectorElement> new_connector_element(
    const std::string& type_name, std::shared_ptr<ElementContext> elem_context);

}  // namespace Model

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <sigc++/signal.h>

#include "common/cell_pos.hpp"
#include "common/cell_range.hpp"
#include "common/directions.hpp"
#include "common/serializing.hpp"

namespace Model {

class AbstractConnectorElement;
enum class ConnectorLabel;
class Connectors;
class Element;
class ElementCells;
class ElementContext;
class Grid;
class Router;
class SegmentLayouter;
class WorkspaceDiff;

using ConnectorList = std::vector<std::shared_ptr<AbstractConnectorElement>>;

// The document: grid, classes by cell, connectors, and the routing and layout
// machinery that keeps them consistent. Every edit of the diagram is one
// operation of the workspace; each brings the whole model back into a
// consistent state before it returns, and records what it changed into the
// attached log diff, if any, which is how edits become undoable.
//
// A new document or a load re-initialises the same object, so observers stay
// connected; the parts (grid, element cells, ...) are replaced then, so do
// not keep them across a new document or a load.
class Workspace : public ISerializable {
  public:
    static constexpr double DEFAULT_CELL_MARGIN = 10.0;

    Workspace();
    ~Workspace() override;
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // ---- document ---------------------------------------------------------
    // Resets to an empty document with an empty file path. Emits no update.
    void init();
    // An empty change record bound to this document's element context.
    std::shared_ptr<WorkspaceDiff> new_diff() const;
    // Replays a change record (undo applies its reverse, redo the record).
    void patch(const std::shared_ptr<WorkspaceDiff>& diff);

    // Saves to path, or to the current file path when path is empty. The file
    // is written beside the target and renamed over it only when complete, so
    // a failed save leaves the old file, the file path and is_updated alone.
    [[nodiscard]] bool save(const std::string& path = {});
    // Loads path. A missing file gives an empty document bound to path (the
    // next save creates it). A file that exists but holds no readable
    // document answers false and leaves the current document untouched.
    [[nodiscard]] bool load(const std::string& path);
    // The "workspace" element. Reading recomputes routes and layout.
    bool write(SerializingWriter& writer) override;
    bool read(SerializingReader& reader) override;

    // "file-path": absolute, or empty for a new document.
    const std::string& get_file_path() const { return m_file_path; }
    void set_file_path(const std::string& path);
    sigc::signal<void()>& signal_file_path_changed() { return m_signal_file_path_changed; }

    // "signal-update": emitted after every operation that changed what is
    // displayed.
    sigc::signal<void()>& signal_update() { return m_signal_update; }
    // True after any update since the document was created, loaded or saved.
    bool get_is_updated() const { return m_is_updated; }

    // ---- layout -----------------------------------------------------------
    // Re-sizes the row and column of pos and re-lays out what they contain.
    void update_layout(const CellPos& pos);
    // Re-sizes every used row and column and lays out every element.
    void update_layout_all();

    // ---- classes ----------------------------------------------------------
    // False for an occupied cell. A null elem makes a new class.
    bool add_class(const CellPos& pos, std::shared_ptr<Element> elem = nullptr);
    // False for an empty cell. Removes the connectors ending at the class.
    bool rm_class(const CellPos& pos);
    bool rm_class_range(const CellRange& range);

    // ---- moving, copying and pasting classes -------------------------------
    // (from, to) pairs, applied all at once.
    using Moves = std::vector<std::pair<CellPos, CellPos>>;
    // Moves the class of every first cell to its second cell at once; the
    // classes keep their uids, texts and blocks, and the ends of every
    // connector on them follow. Refused, changing nothing, when a first cell
    // is empty, a cell is off the table, a cell appears twice on one side,
    // a second cell holds a class that stays, or nothing would move.
    bool move_classes(const Moves& moves);
    // The class at pos one cell towards dir, swapping with a class there.
    bool move_class(const CellPos& pos, MovingDir dir);
    // Every class of range one cell towards dir; refused when one would land
    // on a class outside the range or off the table.
    bool move_class_range(const CellRange& range, MovingDir dir);
    // Every class of range by delta cells, on the same terms.
    bool move_class_range(const CellRange& range, const CellPos& delta);

    // rm_class_range for a cut: refused for a range without classes, and
    // it, its undo and its redo leave the routes a fresh read gives.
    bool cut_class_range(const CellRange& range);

    // A fragment document of the classes of range, with the connectors that
    // have both ends among them; cells count from the range's top-left.
    std::string copy_fragment(const CellRange& range) const;
    enum class PasteResult { PASTED, NOT_A_FRAGMENT, EMPTY, OFF_TABLE, OCCUPIED };
    // Adds the classes and connectors of a fragment document with its
    // top-left cell at top_left, under new uids. Anything but PASTED
    // changes nothing. A connector whose ends are not both on pasted
    // classes is left out.
    PasteResult paste_fragment(const std::string& xml, const CellPos& top_left);
    // Whether text is a fragment document (its root element), as a cheap
    // first test; a fragment can still turn out unreadable when pasted.
    static bool looks_like_fragment(const std::string& text);
    static constexpr const char* FRAGMENT_ROOT = "lattrix-fragment";

    // ---- rows and columns -------------------------------------------------
    bool insert_line(CellDir dir, int32_t index);
    bool insert_col(int32_t index) { return insert_line(CellDir::H, index); }
    bool insert_row(int32_t index) { return insert_line(CellDir::V, index); }
    bool remove_line(CellDir dir, int32_t index);
    bool remove_col(int32_t index) { return remove_line(CellDir::H, index); }
    bool remove_row(int32_t index) { return remove_line(CellDir::V, index); }

    // ---- connectors -------------------------------------------------------
    // Adds con and its segments; does not lay out or signal.
    bool add_connector(const std::shared_ptr<AbstractConnectorElement>& con);
    bool remove_connector_without_layout(const std::shared_ptr<AbstractConnectorElement>& con);
    // Removes con and re-spreads the segments that shared a gap with it.
    bool remove_connector(const std::shared_ptr<AbstractConnectorElement>& con);
    // Sets one of con's labels and re-sizes the lines its end labels need;
    // an empty text removes the label.
    void set_connector_label(AbstractConnectorElement& con, ConnectorLabel which, std::string text);
    // Re-routes con; the new segments are left for the next layout pass.
    bool update_connector_route(const std::shared_ptr<AbstractConnectorElement>& con);
    // The connectors, other than those given, that share a gap with them.
    ConnectorList enum_related_connectors(const ConnectorList& con_set);

    // ---- the connector being drawn ----------------------------------------
    // type_name is a connector kind's document name ("association",
    // "dependency", "aggregation", "composition", "generalization",
    // "realization").
    // False when pos holds no class or the kind is unknown.
    bool new_floating_connector(const CellPos& pos, const std::string& type_name);
    bool update_floating_connector(const CellPos& pos);
    // False without a floating connector, when its end is on an empty cell
    // or on its start cell, or when no route reaches its end.
    bool fix_floating_connector();
    // True while the loose end rests on another class that no route reaches
    // (walled in by other classes).
    bool floating_end_unreachable() const;
    bool rm_floating_connector();

    // ---- parts ------------------------------------------------------------
    const std::shared_ptr<Grid>& get_grid() const { return m_parts.grid; }
    const std::unique_ptr<ElementCells>& get_element_cells() const { return m_parts.element_cells; }
    const std::unique_ptr<Router>& get_router() const { return m_parts.router; }
    const std::unique_ptr<SegmentLayouter>& get_seg_layouter() const {
        return m_parts.seg_layouter;
    }
    const std::shared_ptr<AbstractConnectorElement>& get_floating_connector() const {
        return m_parts.floating_connector;
    }
    const std::unique_ptr<Connectors>& get_connector_set() const { return m_parts.connector_set; }
    const std::shared_ptr<ElementContext>& get_elem_context() const { return m_parts.elem_context; }
    // Set only by the action layer's scoped guard, for one action.
    const std::shared_ptr<WorkspaceDiff>& get_log_diff() const { return m_parts.log_diff; }
    void set_log_diff(std::shared_ptr<WorkspaceDiff> diff) { m_parts.log_diff = std::move(diff); }
    double get_cell_margin() const { return m_cell_margin; }

  private:
    // Everything init() replaces; a load reads into fresh parts and puts the
    // old ones back when the read fails.
    struct Parts {
        // Shared with the segment layouter, which measures lines on it.
        std::shared_ptr<Grid> grid;
        std::shared_ptr<ElementContext> elem_context;
        std::unique_ptr<ElementCells> element_cells;
        std::unique_ptr<Router> router;
        std::unique_ptr<SegmentLayouter> seg_layouter;
        std::unique_ptr<Connectors> connector_set;
        std::shared_ptr<AbstractConnectorElement> floating_connector;
        std::shared_ptr<WorkspaceDiff> log_diff;
        CellPos floating_start;
        CellPos floating_end;
        // The loose end has left the start class since the connector was
        // begun: back on it, the connector becomes a self-relation.
        bool floating_left_start = false;
        // What the segments of each column (H) and row (V) need of its size,
        // for the lines that hold any: worked out from the routes, never
        // saved.
        std::unordered_map<int32_t, double> seg_need_h;
        std::unordered_map<int32_t, double> seg_need_v;
        // What the end labels need, likewise; added to the segments' need.
        std::unordered_map<int32_t, double> label_need_h;
        std::unordered_map<int32_t, double> label_need_v;
        // The room a line of classes keeps beside its largest box, for the
        // lines where a connector with decorations joins neighbouring
        // classes: their boxes are centred, so each line gives half of the
        // gap.
        std::unordered_map<int32_t, double> box_room_h;
        std::unordered_map<int32_t, double> box_room_v;

        // An empty document's parts.
        static Parts fresh();
    };

    // In uid order. The set's own order follows the objects' addresses,
    // which change from run to run, and the order in which connectors are
    // routed and handed to the layouter decides where parallel segments end
    // up: the same document must come out the same every time it is read or
    // edited.
    static ConnectorList in_uid_order(const Connectors& set);

    void on_update();
    // A line is as large as its largest box plus the margin, and as its
    // segments need to run LINE_SPACING apart; the end labels beside it
    // add their room.
    void set_line_size(CellDir dir, int32_t index);
    std::unordered_map<int32_t, double>& seg_need(CellDir dir) {
        return dir == CellDir::H ? m_parts.seg_need_h : m_parts.seg_need_v;
    }
    // Re-sizes a line; when its size changed, lays out its classes again and
    // marks the segments it moves for the next layout.
    void resize_line(CellDir dir, int32_t index);
    // What the segments on a line, and the decorations facing across it,
    // need of its size; 0 for none.
    double line_need(CellDir dir, int32_t index) const;
    // Gives the classes whose connector ends changed the room those ends
    // need on their sides; with resize, re-sizes and lays out what a grown
    // or shrunk box moves.
    void fit_boxes_to_ends(bool resize);
    // Brings the segments' needs up to date for the lines whose segments
    // changed, and re-sizes those lines when resize is set.
    void fit_lines_to_segments(bool resize);
    std::unordered_map<int32_t, double>& label_need(CellDir dir) {
        return dir == CellDir::H ? m_parts.label_need_h : m_parts.label_need_v;
    }
    std::unordered_map<int32_t, double>& box_room(CellDir dir) {
        return dir == CellDir::H ? m_parts.box_room_h : m_parts.box_room_v;
    }
    // What a line of classes keeps beside its largest box for decorations
    // facing the next cell's class; 0 for nothing beyond the margin.
    double box_room_need(CellDir dir, int32_t index) const;
    // The size of a line whose largest box is largest (0 for none): room
    // for the box and its margin or for the segments, whichever is more,
    // and the labels' room on top.
    double line_size(CellDir dir, int32_t index, double largest);
    // Brings the labels' needs up to date, and re-sizes the lines whose
    // need changed when resize is set.
    void fit_lines_to_labels(bool resize);
    // Fits the lines, then lays out every group not laid out.
    void spread_segments();
    // Moves the needs with the lines when a line is inserted (+1) or
    // removed (-1) at index.
    void shift_seg_needs(CellDir dir, int32_t index, int32_t delta);
    // update_layout without the connectors: re-sizes the row and column of
    // pos and lays out the classes on them.
    void lay_out_lines_of(const CellPos& pos);
    bool has_anything_on_line(CellDir dir, int32_t index) const;
    // Routes con between start and goal, takes its new segments and hands
    // them to the layouter, not laid out yet. The old segments must have
    // left the layouter already.
    void route(AbstractConnectorElement& con, const CellPos& start, const CellPos& goal);
    // Between con's own end cells.
    void route(AbstractConnectorElement& con);
    // The segments that shared a gap with con's were spread to make room
    // for them; this clears those groups so the next layout closes the room
    // up. Call it once con's segments have left the layouter.
    void release_neighbours(const AbstractConnectorElement& con);
    // Routes every connector anew after rows or columns were inserted or
    // removed (m_line_shifts). A route that comes out as its old one moved
    // with the lines keeps its segments, and their spread where nothing
    // around them changed; the cross lines of the cells changed are spread
    // again.
    void reroute_all(const std::vector<CellPos>& changed);
    // Routes con anew; when the route differs from the one it has, its
    // segments are replaced and their old neighbours released. The new
    // segments are left for the next layout pass. True when replaced.
    bool reroute_if_changed(AbstractConnectorElement& con);
    // After classes were added or removed at the cells changed (their lines
    // already re-sized): re-routes what may run another way now and spreads
    // what moved, so the diagram is the one its saved document reads back as.
    void settle(const std::vector<CellPos>& changed);
    // patch() of a batched record: its classes and connectors taken out and
    // put in directly, then settled once.
    void patch_batched(const WorkspaceDiff& diff);
    void drop_outside_table();
    void make_uids_unique();

    Parts m_parts;
    double m_cell_margin = DEFAULT_CELL_MARGIN;
    bool m_is_updated = false;
    // While patch replays a record, class and line operations leave routing
    // to its end and note here what they changed.
    bool m_deferring = false;
    bool m_lines_changed = false;
    std::vector<CellPos> m_touched;
    // The terminals of the classes patch took out and put back, registered
    // with the router at its end in one go.
    std::vector<CellPos> m_terms_removed;
    std::vector<CellPos> m_terms_added;
    // Rows and columns inserted or removed since the segments were routed,
    // in order: how their cells moved.
    struct LineShift {
        CellDir dir;
        int32_t index;
        bool inserted;
    };
    std::vector<LineShift> m_line_shifts;
    // Connectors patch put back; settle searches them whatever changed.
    std::unordered_set<const AbstractConnectorElement*> m_patch_added;
    std::string m_file_path;
    sigc::signal<void()> m_signal_update;
    sigc::signal<void()> m_signal_file_path_changed;
};

}  // namespace Model

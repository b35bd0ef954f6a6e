#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "common/directions.hpp"
#include "ctrl/modes/mode.hpp"
#include "model/connector_element.hpp"

namespace Model {
class AbstractConnectorElement;
}

namespace Ctrl {

// The connectors that leave a class on one side, in order of their laid-out
// position, with at most one of them highlighted. The four lists of a class
// are linked to each other so that the highlight can walk around the class.
class SelectConnectorModeSideConnectorList {
  public:
    using ConnectorPtr = std::shared_ptr<Model::AbstractConnectorElement>;
    // Answers a negative number when a goes before b, 0 when they are equal.
    using Compare = std::function<int(const ConnectorPtr& a, const ConnectorPtr& b)>;

    // Links this list to its neighbours. The linked lists are siblings owned
    // by the same owner as this one and must outlive it.
    void init(MovingDir next_dir, SelectConnectorModeSideConnectorList& next_scl,
              MovingDir prev_dir, SelectConnectorModeSideConnectorList& prev_scl,
              MovingDir opposite_dir, SelectConnectorModeSideConnectorList& opposite_scl,
              bool focus_at_end);

    void append(ConnectorPtr con) { m_connectors.push_back(std::move(con)); }
    const std::vector<ConnectorPtr>& get_connectors() const { return m_connectors; }
    int size() const { return static_cast<int>(m_connectors.size()); }
    bool is_empty() const { return m_connectors.empty(); }
    // Stable: connectors that compare equal keep their order.
    void sort(const Compare& cmp);

    // Highlights the connector at index (clearing the previous highlight);
    // an index outside the list only clears it.
    void focus(int index);
    // Highlights the last (at_end) or the first connector; false when empty.
    bool focus_at_start_or_end(bool at_end);
    void defocus();
    // Makes the highlight flags agree with focused_index again, for instance
    // after a sort.
    void update_focus();
    // Steps to the following / preceding connector; false at the end.
    bool next();
    bool prev();
    // The list that holds the highlight after one step in dir: this one,
    // or a neighbour when the step leaves this side. A step that leads
    // nowhere keeps the highlight where it was.
    SelectConnectorModeSideConnectorList* move(MovingDir dir);
    // Drops the highlighted connector from the list (not from the document)
    // and answers the list that holds the highlight now, or null when no
    // connector is left on this side or the three linked ones.
    SelectConnectorModeSideConnectorList* remove_focuced_connector();

    // "focused-connector": the highlighted connector, or null.
    ConnectorPtr get_focused_connector() const;
    int get_focused_index() const { return m_focused_index; }
    bool get_focus_at_end() const { return m_focus_at_end; }

  private:
    // Hands the highlight to `other` unless it is empty.
    SelectConnectorModeSideConnectorList* enter(SelectConnectorModeSideConnectorList* other);
    bool is_valid_index(int index) const { return index >= 0 && index < size(); }

    std::vector<ConnectorPtr> m_connectors;
    MovingDir m_next_dir = MovingDir::RIGHT;
    MovingDir m_prev_dir = MovingDir::LEFT;
    MovingDir m_opposite_dir = MovingDir::DOWN;
    // Siblings owned by the same mode; null until init.
    SelectConnectorModeSideConnectorList* m_next_scl = nullptr;
    SelectConnectorModeSideConnectorList* m_prev_scl = nullptr;
    SelectConnectorModeSideConnectorList* m_opposite_scl = nullptr;
    bool m_focus_at_end = false;
    int m_focused_index = -1;
};

// Walks the connectors that end at the class under the cursor and removes
// the highlighted one.
class SelectConnectorMode : public Mode {
  public:
    using SideList = SelectConnectorModeSideConnectorList;
    using ConnectorPtr = SideList::ConnectorPtr;

    explicit SelectConnectorMode(Context& ctrl);

    std::string get_name() const override { return "SELECT CONNECTOR MODE"; }
    // Only a class has connectors to walk.
    bool get_is_enterable() const override;

    // Collects the connectors of the class at the cursor by the side they
    // leave it on and highlights the first one.
    void on_enter() override;
    // Clears the highlight and forgets the lists.
    void on_exit() override;

    // Orders two connectors of the class at the cursor by the laid-out
    // position of their ends there; ends less than a pixel apart are equal.
    int cmp_connector_pos(const ConnectorPtr& a, const ConnectorPtr& b) const;
    // Moves the highlight one step; false when nothing is highlighted.
    bool change_focused_connector(MovingDir dir);
    // Removes the highlighted connector from the document (undoable) and
    // highlights a neighbour; back to the cell mode when none is left.
    // False when nothing is highlighted.
    // Opens the command line with the label's prompt ("name: ", "start: ",
    // "end: "), prefilled with the highlighted connector's text; Return sets
    // it as one undo step.
    bool edit_label(Model::ConnectorLabel which);
    bool remove_connector();

    // The side list of the connectors leaving the class toward dir, or null
    // outside the mode.
    SideList* get_side_list(MovingDir dir) const;
    SideList* get_focused_list() const { return m_focused_list; }

  private:
    std::array<std::unique_ptr<SideList>, 4> m_side_lists;
    // One of m_side_lists, or null.
    SideList* m_focused_list = nullptr;
};

}  // namespace Ctrl

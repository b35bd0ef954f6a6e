#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "common/cell_pos.hpp"
#include "common/cell_range.hpp"
#include "common/directions.hpp"
#include "ctrl/action.hpp"
#include "model/connector_element.hpp"
#include "model/workspace.hpp"

namespace Model {
class AbstractConnectorElement;
class ClassElement;
class TextElement;
}  // namespace Model

namespace Ctrl {

// An action that is one workspace call, recorded in the action's change
// record; undo and redo replay that record.
class WorkspaceCallAction : public Action {
  public:
    using Call = std::function<bool(Model::Workspace& ws)>;
    WorkspaceCallAction(std::shared_ptr<Model::Workspace> ws, Call call);
    bool execute() override;

  private:
    Call m_call;
};

class AddClassAction : public WorkspaceCallAction {
  public:
    AddClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos);
};

class RemoveClassAction : public WorkspaceCallAction {
  public:
    RemoveClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos);
};

class RemoveCellRangeAction : public WorkspaceCallAction {
  public:
    RemoveCellRangeAction(std::shared_ptr<Model::Workspace> ws, const CellRange& range);
};

// Moves the class at a cell one cell, swapping with a class there.
class MoveClassAction : public WorkspaceCallAction {
  public:
    MoveClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos, MovingDir dir);
};

// Moves the classes of a range by some cells.
class MoveCellRangeAction : public WorkspaceCallAction {
  public:
    MoveCellRangeAction(std::shared_ptr<Model::Workspace> ws, const CellRange& range,
                        const CellPos& delta);
};

// Moves classes from cells to cells at once (a swap is two moves).
class MoveClassesAction : public WorkspaceCallAction {
  public:
    MoveClassesAction(std::shared_ptr<Model::Workspace> ws, Model::Workspace::Moves moves);
};

// Pastes a fragment document with its top-left cell at a cell.
class PasteFragmentAction : public Action {
  public:
    PasteFragmentAction(std::shared_ptr<Model::Workspace> ws, std::string fragment,
                        const CellPos& pos);
    bool execute() override;
    // Why the last execute did or did not paste.
    Model::Workspace::PasteResult get_result() const { return m_result; }

  private:
    std::string m_fragment;
    CellPos m_pos;
    Model::Workspace::PasteResult m_result = Model::Workspace::PasteResult::EMPTY;
};

// Makes the connector being drawn a member of the document.
class FixFloatingConnector : public WorkspaceCallAction {
  public:
    explicit FixFloatingConnector(std::shared_ptr<Model::Workspace> ws);
};

class RemoveConnector : public Action {
  public:
    RemoveConnector(std::shared_ptr<Model::Workspace> ws,
                    std::shared_ptr<Model::AbstractConnectorElement> con);
    bool execute() override;

  private:
    std::shared_ptr<Model::AbstractConnectorElement> m_con;
};

// Sets one label of a connector; an empty text removes it. The connector
// object itself is kept: undoing a removal brings back that very object.
class SetConnectorLabelAction : public Action {
  public:
    SetConnectorLabelAction(std::shared_ptr<Model::Workspace> ws,
                            std::shared_ptr<Model::AbstractConnectorElement> con,
                            Model::ConnectorLabel which, std::string text);
    // False, leaving no undo step, when the text is already the label.
    bool execute() override;
    void undo() override;
    void redo() override;

  private:
    void apply(const std::string& text);

    std::shared_ptr<Model::AbstractConnectorElement> m_con;
    Model::ConnectorLabel m_which;
    std::string m_before;
    std::string m_after;
};

class InsertLineAction : public WorkspaceCallAction {
  public:
    InsertLineAction(std::shared_ptr<Model::Workspace> ws, CellDir dir, int32_t index);
};

class RemoveLineAction : public WorkspaceCallAction {
  public:
    RemoveLineAction(std::shared_ptr<Model::Workspace> ws, CellDir dir, int32_t index);
};

struct UpdateTextElementInACellActionBeforeAfterString {
    std::string before;
    std::string after;
};

// Text edits inside the class of one cell. It records the texts itself, and
// a run of edits in the same cell merges into the first so that it undoes in
// one step.
class UpdateTextElementInACellAction : public Action {
  public:
    UpdateTextElementInACellAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos);

    // Remembers the element's current text as "before" and `text` as
    // "after"; the element is not touched until execute.
    void set_update(std::shared_ptr<Model::TextElement> text_elem, const std::string& text);

    bool execute() override;
    void undo() override;
    void redo() override;
    bool merge(Action& other) override;
    bool get_is_mergeable() const override { return m_is_mergeable; }
    void set_is_mergeable(bool value) override { m_is_mergeable = value; }

    const CellPos& get_pos() const { return m_pos; }

  private:
    using Entry = std::shared_ptr<UpdateTextElementInACellActionBeforeAfterString>;
    void apply(bool use_after);

    CellPos m_pos;
    std::unordered_map<std::shared_ptr<Model::TextElement>, Entry> m_entries;
    bool m_is_mergeable = true;
};

// Shows or hides a block of the class at a cell. The class is looked up
// again on every step, so the action follows the cell, not an object that
// an undo may have replaced.
class BlockInClassAction : public Action {
  public:
    BlockInClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& target_cell_pos);
    std::shared_ptr<Model::ClassElement> get_target() const;

  protected:
    // Shows / hides block m_index of the target (shown with text, if given)
    // and re-lays out its cell; false when there is no target or it refused.
    bool show_block(const std::optional<std::string>& text = std::nullopt);
    bool hide_block();

    CellPos m_target_cell_pos;
    int32_t m_index = 0;
};

// Shows a new block below the active text element of the class at a cell.
class InsertBlockInClass : public BlockInClassAction {
  public:
    using BlockInClassAction::BlockInClassAction;
    bool execute() override;
    void undo() override;
    void redo() override;
};

// Hides the active block of the class at a cell, keeping its text for undo.
class RemoveBlockInClass : public BlockInClassAction {
  public:
    using BlockInClassAction::BlockInClassAction;
    bool execute() override;
    void undo() override;
    void redo() override;

  private:
    std::string m_text;
};

}  // namespace Ctrl

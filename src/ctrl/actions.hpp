#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "common/cell_pos.hpp"
#include "common/cell_range.hpp"
#include "common/directions.hpp"
#include "ctrl/action.hpp"

namespace Model {
class AbstractConnectorElement;
class ClassElement;
class TextElement;
}  // namespace Model

namespace Ctrl {

class AddClassAction : public Action {
  public:
    AddClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos);
    bool execute() override;

  private:
    CellPos m_pos;
};

class RemoveClassAction : public Action {
  public:
    RemoveClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos);
    bool execute() override;

  private:
    CellPos m_pos;
};

class RemoveCellRangeAction : public Action {
  public:
    RemoveCellRangeAction(std::shared_ptr<Model::Workspace> ws, const CellRange& range);
    bool execute() override;

  private:
    CellRange m_range;
};

// Makes the connector being drawn a member of the document.
class FixFloatingConnector : public Action {
  public:
    explicit FixFloatingConnector(std::shared_ptr<Model::Workspace> ws);
    bool execute() override;
};

class RemoveConnector : public Action {
  public:
    RemoveConnector(std::shared_ptr<Model::Workspace> ws,
                    std::shared_ptr<Model::AbstractConnectorElement> con);
    bool execute() override;

  private:
    std::shared_ptr<Model::AbstractConnectorElement> m_con;
};

class InsertLineAction : public Action {
  public:
    InsertLineAction(std::shared_ptr<Model::Workspace> ws, CellDir dir, int32_t index);
    bool execute() override;

  private:
    CellDir m_dir;
    int32_t m_index;
};

class RemoveLineAction : public Action {
  public:
    RemoveLineAction(std::shared_ptr<Model::Workspace> ws, CellDir dir, int32_t index);
    bool execute() override;

  private:
    CellDir m_dir;
    int32_t m_index;
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

// Shows a new block below the active text element of the class at a cell.
class InsertBlockInClass : public Action {
  public:
    InsertBlockInClass(std::shared_ptr<Model::Workspace> ws, const CellPos& target_cell_pos);
    bool execute() override;
    void undo() override;
    void redo() override;

    std::shared_ptr<Model::ClassElement> get_target() const;

  private:
    void relayout();

    CellPos m_target_cell_pos;
    int32_t m_index = 0;
};

// Hides the active block of the class at a cell, keeping its text for undo.
class RemoveBlockInClass : public Action {
  public:
    RemoveBlockInClass(std::shared_ptr<Model::Workspace> ws, const CellPos& target_cell_pos);
    bool execute() override;
    void undo() override;
    void redo() override;

    std::shared_ptr<Model::ClassElement> get_target() const;

  private:
    void relayout();

    CellPos m_target_cell_pos;
    int32_t m_index = 0;
    std::string m_text;
};

}  // namespace Ctrl

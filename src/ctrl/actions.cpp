#include "ctrl/actions.hpp"

#include "common/log.hpp"
#include "model/class_element.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"
#include "model/workspace_diff.hpp"

namespace Ctrl {

WorkspaceCallAction::WorkspaceCallAction(std::shared_ptr<Model::Workspace> ws, Call call)
    : Action(std::move(ws)), m_call(std::move(call)) {}

bool WorkspaceCallAction::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    auto guard = new_scoped_log_diff();
    return m_call(*m_ws);
}

AddClassAction::AddClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos)
    : WorkspaceCallAction(std::move(ws),
                          [pos](Model::Workspace& w) { return w.add_class(pos, nullptr); }) {}

RemoveClassAction::RemoveClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos)
    : WorkspaceCallAction(std::move(ws), [pos](Model::Workspace& w) { return w.rm_class(pos); }) {}

RemoveCellRangeAction::RemoveCellRangeAction(std::shared_ptr<Model::Workspace> ws,
                                             const CellRange& range)
    : WorkspaceCallAction(std::move(ws), [range = range.duplicate()](Model::Workspace& w) {
          return w.rm_class_range(range);
      }) {}

MoveClassAction::MoveClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos,
                                 MovingDir dir)
    : WorkspaceCallAction(std::move(ws),
                          [pos, dir](Model::Workspace& w) { return w.move_class(pos, dir); }) {}

MoveCellRangeAction::MoveCellRangeAction(std::shared_ptr<Model::Workspace> ws,
                                         const CellRange& range, const CellPos& delta)
    : WorkspaceCallAction(std::move(ws), [range = range.duplicate(), delta](Model::Workspace& w) {
          return w.move_class_range(range, delta);
      }) {}

MoveClassesAction::MoveClassesAction(std::shared_ptr<Model::Workspace> ws,
                                     Model::Workspace::Moves moves)
    : WorkspaceCallAction(std::move(ws), [moves = std::move(moves)](Model::Workspace& w) {
          return w.move_classes(moves);
      }) {}

PasteFragmentAction::PasteFragmentAction(std::shared_ptr<Model::Workspace> ws, std::string fragment,
                                         const CellPos& pos)
    : Action(std::move(ws)), m_fragment(std::move(fragment)), m_pos(pos) {}

bool PasteFragmentAction::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    auto guard = new_scoped_log_diff();
    m_result = m_ws->paste_fragment(m_fragment, m_pos);
    return m_result == Model::Workspace::PasteResult::PASTED;
}

FixFloatingConnector::FixFloatingConnector(std::shared_ptr<Model::Workspace> ws)
    : WorkspaceCallAction(std::move(ws),
                          [](Model::Workspace& w) { return w.fix_floating_connector(); }) {}

InsertLineAction::InsertLineAction(std::shared_ptr<Model::Workspace> ws, CellDir dir, int32_t index)
    : WorkspaceCallAction(
          std::move(ws), [dir, index](Model::Workspace& w) { return w.insert_line(dir, index); }) {}

RemoveLineAction::RemoveLineAction(std::shared_ptr<Model::Workspace> ws, CellDir dir, int32_t index)
    : WorkspaceCallAction(
          std::move(ws), [dir, index](Model::Workspace& w) { return w.remove_line(dir, index); }) {}

RemoveConnector::RemoveConnector(std::shared_ptr<Model::Workspace> ws,
                                 std::shared_ptr<Model::AbstractConnectorElement> con)
    : Action(std::move(ws)), m_con(std::move(con)) {}

bool RemoveConnector::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    LX_RETURN_VAL_IF_FAIL(m_con != nullptr, false);
    bool removed;
    {
        auto guard = new_scoped_log_diff();
        removed = m_ws->remove_connector(m_con);
    }
    if (!removed) {
        return false;
    }
    m_ws->signal_update().emit();
    return true;
}

SetConnectorLabelAction::SetConnectorLabelAction(
    std::shared_ptr<Model::Workspace> ws, std::shared_ptr<Model::AbstractConnectorElement> con,
    Model::ConnectorLabel which, std::string text)
    : Action(std::move(ws)), m_con(std::move(con)), m_which(which), m_after(std::move(text)) {}

bool SetConnectorLabelAction::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    LX_RETURN_VAL_IF_FAIL(m_con != nullptr, false);
    m_before = m_con->get_label(m_which);
    if (m_before == m_after || !m_ws->get_connector_set()->contains(m_con)) {
        return false;
    }
    apply(m_after);
    return true;
}

void SetConnectorLabelAction::undo() {
    apply(m_before);
}

void SetConnectorLabelAction::redo() {
    apply(m_after);
}

void SetConnectorLabelAction::apply(const std::string& text) {
    m_ws->set_connector_label(*m_con, m_which, text);
    m_ws->signal_update().emit();
}

UpdateTextElementInACellAction::UpdateTextElementInACellAction(std::shared_ptr<Model::Workspace> ws,
                                                               const CellPos& pos)
    : Action(std::move(ws)), m_pos(pos) {}

void UpdateTextElementInACellAction::set_update(std::shared_ptr<Model::TextElement> text_elem,
                                                const std::string& text) {
    LX_RETURN_IF_FAIL(text_elem != nullptr);
    auto& entry = m_entries[text_elem];
    if (!entry) {
        entry = std::make_shared<UpdateTextElementInACellActionBeforeAfterString>();
    }
    entry->before = text_elem->get_text();
    entry->after = text;
}

void UpdateTextElementInACellAction::apply(bool use_after) {
    for (auto& [elem, entry] : m_entries) {
        elem->set_text(use_after ? entry->after : entry->before);
    }
    if (m_ws) {
        m_ws->update_layout(m_pos);
        m_ws->signal_update().emit();
    }
}

bool UpdateTextElementInACellAction::execute() {
    apply(true);
    return true;
}

void UpdateTextElementInACellAction::undo() {
    apply(false);
}

void UpdateTextElementInACellAction::redo() {
    execute();
}

bool UpdateTextElementInACellAction::merge(Action& other) {
    auto* o = dynamic_cast<UpdateTextElementInACellAction*>(&other);
    if (o == nullptr || !(o->m_pos == m_pos)) {
        return false;
    }
    for (auto& [elem, entry] : o->m_entries) {
        auto it = m_entries.find(elem);
        if (it != m_entries.end()) {
            // The text before the whole run stays; only the result moves on.
            it->second->after = entry->after;
        } else {
            m_entries.emplace(elem, entry);
        }
    }
    return true;
}

BlockInClassAction::BlockInClassAction(std::shared_ptr<Model::Workspace> ws,
                                       const CellPos& target_cell_pos)
    : Action(std::move(ws)), m_target_cell_pos(target_cell_pos) {}

std::shared_ptr<Model::ClassElement> BlockInClassAction::get_target() const {
    if (!m_ws || !m_ws->get_element_cells()) {
        return nullptr;
    }
    return std::dynamic_pointer_cast<Model::ClassElement>(
        m_ws->get_element_cells()->get(m_target_cell_pos.h, m_target_cell_pos.v));
}

bool BlockInClassAction::show_block(const std::optional<std::string>& text) {
    auto klass = get_target();
    if (!klass || !klass->insert_block(m_index)) {
        return false;
    }
    if (auto elem = klass->get_text_elem_at(m_index); elem && text) {
        elem->set_text(*text);
    }
    m_ws->update_layout(m_target_cell_pos);
    m_ws->signal_update().emit();
    return true;
}

bool BlockInClassAction::hide_block() {
    auto klass = get_target();
    if (!klass || !klass->rm_block(m_index)) {
        return false;
    }
    m_ws->update_layout(m_target_cell_pos);
    m_ws->signal_update().emit();
    return true;
}

bool InsertBlockInClass::execute() {
    auto klass = get_target();
    if (!klass) {
        return false;
    }
    m_index = klass->get_text_elem_index(klass->now_text_elem.get()) + 1;
    return show_block();
}

void InsertBlockInClass::undo() {
    hide_block();
}

void InsertBlockInClass::redo() {
    show_block();
}

bool RemoveBlockInClass::execute() {
    auto klass = get_target();
    if (!klass) {
        return false;
    }
    auto active = klass->now_text_elem;
    m_text = active ? active->get_text() : std::string();
    m_index = klass->get_text_elem_index(active.get());
    return hide_block();
}

void RemoveBlockInClass::undo() {
    show_block(m_text);
}

void RemoveBlockInClass::redo() {
    hide_block();
}

}  // namespace Ctrl

#include "ctrl/actions.hpp"

#include "common/log.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"
#include "model/workspace_diff.hpp"

namespace Ctrl {

AddClassAction::AddClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos)
    : Action(std::move(ws)), m_pos(pos) {}

bool AddClassAction::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    auto guard = new_scoped_log_diff();
    return m_ws->add_class(m_pos, nullptr);
}

RemoveClassAction::RemoveClassAction(std::shared_ptr<Model::Workspace> ws, const CellPos& pos)
    : Action(std::move(ws)), m_pos(pos) {}

bool RemoveClassAction::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    auto guard = new_scoped_log_diff();
    return m_ws->rm_class(m_pos);
}

RemoveCellRangeAction::RemoveCellRangeAction(std::shared_ptr<Model::Workspace> ws,
                                             const CellRange& range)
    : Action(std::move(ws)), m_range(range.duplicate()) {}

bool RemoveCellRangeAction::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    auto guard = new_scoped_log_diff();
    return m_ws->rm_class_range(m_range);
}

FixFloatingConnector::FixFloatingConnector(std::shared_ptr<Model::Workspace> ws)
    : Action(std::move(ws)) {}

bool FixFloatingConnector::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    auto guard = new_scoped_log_diff();
    return m_ws->fix_floating_connector();
}

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

InsertLineAction::InsertLineAction(std::shared_ptr<Model::Workspace> ws, CellDir dir, int32_t index)
    : Action(std::move(ws)), m_dir(dir), m_index(index) {}

bool InsertLineAction::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    auto guard = new_scoped_log_diff();
    return m_ws->insert_line(m_dir, m_index);
}

RemoveLineAction::RemoveLineAction(std::shared_ptr<Model::Workspace> ws, CellDir dir, int32_t index)
    : Action(std::move(ws)), m_dir(dir), m_index(index) {}

bool RemoveLineAction::execute() {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    auto guard = new_scoped_log_diff();
    return m_ws->remove_line(m_dir, m_index);
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

namespace {

std::shared_ptr<Model::ClassElement> class_at(const std::shared_ptr<Model::Workspace>& ws,
                                              const CellPos& pos) {
    if (!ws || !ws->get_element_cells()) {
        return nullptr;
    }
    return std::dynamic_pointer_cast<Model::ClassElement>(
        ws->get_element_cells()->get(pos.h, pos.v));
}

void relayout_cell(const std::shared_ptr<Model::Workspace>& ws, const CellPos& pos) {
    ws->update_layout(pos);
    ws->signal_update().emit();
}

}  // namespace

InsertBlockInClass::InsertBlockInClass(std::shared_ptr<Model::Workspace> ws,
                                       const CellPos& target_cell_pos)
    : Action(std::move(ws)), m_target_cell_pos(target_cell_pos) {}

std::shared_ptr<Model::ClassElement> InsertBlockInClass::get_target() const {
    return class_at(m_ws, m_target_cell_pos);
}

bool InsertBlockInClass::execute() {
    auto klass = get_target();
    if (!klass) {
        return false;
    }
    int32_t i = klass->get_text_elem_index(klass->now_text_elem.get());
    if (!klass->insert_block(i + 1)) {
        return false;
    }
    m_index = i + 1;
    relayout_cell(m_ws, m_target_cell_pos);
    return true;
}

void InsertBlockInClass::undo() {
    auto klass = get_target();
    if (klass && klass->rm_block(m_index)) {
        relayout_cell(m_ws, m_target_cell_pos);
    }
}

void InsertBlockInClass::redo() {
    auto klass = get_target();
    if (klass && klass->insert_block(m_index)) {
        relayout_cell(m_ws, m_target_cell_pos);
    }
}

RemoveBlockInClass::RemoveBlockInClass(std::shared_ptr<Model::Workspace> ws,
                                       const CellPos& target_cell_pos)
    : Action(std::move(ws)), m_target_cell_pos(target_cell_pos) {}

std::shared_ptr<Model::ClassElement> RemoveBlockInClass::get_target() const {
    return class_at(m_ws, m_target_cell_pos);
}

bool RemoveBlockInClass::execute() {
    auto klass = get_target();
    if (!klass) {
        return false;
    }
    auto active = klass->now_text_elem;
    m_text = active ? active->get_text() : std::string();
    int32_t i = klass->get_text_elem_index(active.get());
    if (!klass->rm_block(i)) {
        return false;
    }
    m_index = i;
    relayout_cell(m_ws, m_target_cell_pos);
    return true;
}

void RemoveBlockInClass::undo() {
    auto klass = get_target();
    if (klass && klass->insert_block(m_index)) {
        if (auto elem = klass->get_text_elem_at(m_index)) {
            elem->set_text(m_text);
        }
        relayout_cell(m_ws, m_target_cell_pos);
    }
}

void RemoveBlockInClass::redo() {
    auto klass = get_target();
    if (klass && klass->rm_block(m_index)) {
        relayout_cell(m_ws, m_target_cell_pos);
    }
}

}  // namespace Ctrl

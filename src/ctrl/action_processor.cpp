#include "ctrl/action_processor.hpp"

#include "common/log.hpp"

namespace Ctrl {

bool ActionProcessor::execute(std::shared_ptr<Action> action) {
    LX_RETURN_VAL_IF_FAIL(action != nullptr, false);
    if (!action->execute()) {
        return false;
    }
    m_redo_stack.reset();
    drop_stale();
    if (!m_undo_stack.empty()) {
        auto& head = m_undo_stack.front();
        if (head->get_is_mergeable() && head->merge(*action)) {
            return true;
        }
    }
    m_undo_stack.push_front(std::move(action));
    return true;
}

void ActionProcessor::undo() {
    drop_stale();
    if (m_undo_stack.empty()) {
        return;
    }
    auto action = std::move(m_undo_stack.front());
    m_undo_stack.pop_front();
    action->undo();
    if (!m_redo_stack) {
        m_redo_stack.emplace();
    }
    m_redo_stack->push_front(std::move(action));
}

void ActionProcessor::redo() {
    drop_stale();
    if (!m_redo_stack || m_redo_stack->empty()) {
        return;
    }
    auto action = std::move(m_redo_stack->front());
    m_redo_stack->pop_front();
    action->redo();
    m_undo_stack.push_front(std::move(action));
}

void ActionProcessor::set_head_mergeable(bool value) {
    if (!m_undo_stack.empty()) {
        m_undo_stack.front()->set_is_mergeable(value);
    }
}

void ActionProcessor::drop_stale() {
    // All actions of one stack come from one document, so the heads tell.
    bool stale = (!m_undo_stack.empty() && !m_undo_stack.front()->is_of_current_document()) ||
                 (m_redo_stack && !m_redo_stack->empty() &&
                  !m_redo_stack->front()->is_of_current_document());
    if (stale) {
        clear();
    }
}

void ActionProcessor::clear() {
    m_undo_stack.clear();
    m_redo_stack.reset();
}

}  // namespace Ctrl

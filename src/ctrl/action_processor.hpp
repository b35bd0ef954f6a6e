#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>

#include "ctrl/action.hpp"

namespace Ctrl {

// Runs actions and keeps them for undo and redo. The newest action is at the
// front of each stack; neither stack has a size limit.
class ActionProcessor {
  public:
    // Runs the action. A failed action leaves both stacks untouched; a
    // successful one drops the redo stack and is either merged into the
    // mergeable head or pushed.
    [[nodiscard]] bool execute(std::shared_ptr<Action> action);
    void undo();
    void redo();
    void set_head_mergeable(bool value);
    // Forgets every action.
    void clear();
    // Forgets every action when the stacks hold actions of a document that
    // was replaced: replaying them onto another document would corrupt it.
    void drop_stale();

    size_t get_undo_count() const { return m_undo_stack.size(); }
    size_t get_redo_count() const { return m_redo_stack ? m_redo_stack->size() : 0; }

  private:
    std::deque<std::shared_ptr<Action>> m_undo_stack;
    // Absent until the first undo, dropped by every successful execute.
    std::optional<std::deque<std::shared_ptr<Action>>> m_redo_stack;
};

}  // namespace Ctrl

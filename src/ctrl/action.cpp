#include "ctrl/action.hpp"

#include "common/log.hpp"
#include "model/workspace.hpp"
#include "model/workspace_diff.hpp"

namespace Ctrl {

ActionScopedLogDiff::ActionScopedLogDiff(std::shared_ptr<Model::Workspace> ws,
                                         std::shared_ptr<Model::WorkspaceDiff> diff)
    : m_ws(std::move(ws)) {
    if (m_ws) {
        m_ws->set_log_diff(std::move(diff));
    }
}

ActionScopedLogDiff::~ActionScopedLogDiff() {
    if (m_ws) {
        m_ws->set_log_diff(nullptr);
    }
}

Action::Action(std::shared_ptr<Model::Workspace> ws) : m_ws(std::move(ws)) {
    if (!m_ws) {
        LX_CRITICAL("Action: assertion 'ws != NULL' failed");
        return;
    }
    m_document = m_ws->get_elem_context();
}

bool Action::is_of_current_document() const {
    if (!m_ws) {
        return false;
    }
    const auto& now = m_ws->get_elem_context();
    // Compares identities; the weak pointer keeps the old identity unique
    // even after that document is gone.
    return !m_document.owner_before(now) && !now.owner_before(m_document);
}

Action::~Action() = default;

void Action::undo() {
    if (m_diff && m_ws) {
        m_ws->patch(m_diff->reverse());
    }
}

void Action::redo() {
    if (m_diff && m_ws) {
        m_ws->patch(m_diff);
    }
}

bool Action::merge(Action&) {
    return false;
}

bool Action::get_is_mergeable() const {
    return false;
}

void Action::set_is_mergeable(bool) {}

ActionScopedLogDiff Action::new_scoped_log_diff() {
    m_diff = m_ws ? m_ws->new_diff() : nullptr;
    return ActionScopedLogDiff(m_ws, m_diff);
}

}  // namespace Ctrl

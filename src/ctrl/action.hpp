#pragma once

#include <memory>

namespace Model {
class ElementContext;
class Workspace;
class WorkspaceDiff;
}  // namespace Model

namespace Ctrl {

// Points the workspace's change log at a diff for as long as it lives. Keep
// it exactly around the one workspace call whose changes belong to the
// action: while it lives every workspace change, whoever makes it, lands in
// that diff.
class ActionScopedLogDiff {
  public:
    ActionScopedLogDiff(std::shared_ptr<Model::Workspace> ws,
                        std::shared_ptr<Model::WorkspaceDiff> diff);
    ~ActionScopedLogDiff();
    ActionScopedLogDiff(const ActionScopedLogDiff&) = delete;
    ActionScopedLogDiff& operator=(const ActionScopedLogDiff&) = delete;

  private:
    std::shared_ptr<Model::Workspace> m_ws;
};

// One undoable change of the document. Actions that edit through the
// workspace record into `diff` and inherit undo/redo, which replay that
// record reversed or as it is.
class Action {
  public:
    explicit Action(std::shared_ptr<Model::Workspace> ws);
    virtual ~Action();

    // True when the change was made; a failed execute must change nothing.
    [[nodiscard]] virtual bool execute() = 0;
    virtual void undo();
    virtual void redo();
    // Absorbs `other` (already executed) into this action; true when it did.
    virtual bool merge(Action& other);
    virtual bool get_is_mergeable() const;
    virtual void set_is_mergeable(bool value);

    // A fresh diff for this action (replacing the previous one) attached to
    // the workspace until the returned guard dies.
    [[nodiscard]] ActionScopedLogDiff new_scoped_log_diff();

    const std::shared_ptr<Model::Workspace>& get_ws() const { return m_ws; }
    // False once the workspace was re-initialised (a new document or a
    // load) after this action was made: its records name another document.
    bool is_of_current_document() const;
    const std::shared_ptr<Model::WorkspaceDiff>& get_diff() const { return m_diff; }

  protected:
    std::shared_ptr<Model::Workspace> m_ws;
    std::shared_ptr<Model::WorkspaceDiff> m_diff;

  private:
    // Every document gets its own element context, so it identifies the
    // document the action was made for.
    std::weak_ptr<Model::ElementContext> m_document;
};

}  // namespace Ctrl

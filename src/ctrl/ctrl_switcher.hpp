#pragma once

#include <memory>

namespace Ctrl {

// A controller that can own the keyboard: the editing context or the
// command line. Only one is active at a time (see CtrlSwitcher).
class AbstractCtrl {
  public:
    virtual ~AbstractCtrl() = default;

    bool get_is_active() const { return m_is_active; }
    // Derived controllers extend this to take or give up the focus.
    virtual void active(bool is_active) { m_is_active = is_active; }

  private:
    bool m_is_active = false;
};

// Hands the keyboard between the editing controller and the command line.
// The slots hold strong references; the main window clears them when it goes
// (register with nullptr) so no controller outlives its widgets.
class CtrlSwitcher {
  public:
    static void register_edit_ctrl(std::shared_ptr<AbstractCtrl> ctrl);
    static void register_cmd_ctrl(std::shared_ptr<AbstractCtrl> ctrl);
    static void switch_to_edit_ctrl();
    static void switch_to_cmd_ctrl();
    // Deactivates the current controller, then activates `ctrl`.
    static void change_ctrl(std::shared_ptr<AbstractCtrl> ctrl);

    static std::shared_ptr<AbstractCtrl> get_now_ctrl();
    // Empties all three slots.
    static void reset();
};

}  // namespace Ctrl

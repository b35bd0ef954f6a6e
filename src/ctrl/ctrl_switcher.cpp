#include "ctrl/ctrl_switcher.hpp"

#include "common/log.hpp"

namespace Ctrl {

namespace {

struct Slots {
    std::shared_ptr<AbstractCtrl> edit_ctrl;
    std::shared_ptr<AbstractCtrl> cmd_ctrl;
    std::shared_ptr<AbstractCtrl> now_ctrl;
};

Slots& slots() {
    static Slots s;
    return s;
}

}  // namespace

void CtrlSwitcher::register_edit_ctrl(std::shared_ptr<AbstractCtrl> ctrl) {
    slots().edit_ctrl = std::move(ctrl);
}

void CtrlSwitcher::register_cmd_ctrl(std::shared_ptr<AbstractCtrl> ctrl) {
    slots().cmd_ctrl = std::move(ctrl);
}

void CtrlSwitcher::switch_to_edit_ctrl() {
    change_ctrl(slots().edit_ctrl);
}

void CtrlSwitcher::switch_to_cmd_ctrl() {
    change_ctrl(slots().cmd_ctrl);
}

void CtrlSwitcher::change_ctrl(std::shared_ptr<AbstractCtrl> ctrl) {
    LX_RETURN_IF_FAIL(ctrl != nullptr);
    // Keep the old one alive through its own deactivation.
    auto old = slots().now_ctrl;
    if (old) {
        old->active(false);
    }
    slots().now_ctrl = ctrl;
    ctrl->active(true);
}

std::shared_ptr<AbstractCtrl> CtrlSwitcher::get_now_ctrl() {
    return slots().now_ctrl;
}

void CtrlSwitcher::reset() {
    slots() = Slots{};
}

}  // namespace Ctrl

#include "ctrl/named_action_handler.hpp"

namespace Ctrl {

bool INamedActionHandler::action(const std::string& /*name*/) {
    return false;
}

bool INamedActionHandler::action_with_glib(Gio::ActionGroup* group, const std::string& name) {
    if (action(name)) {
        return true;
    }
    if (group != nullptr && group->has_action(name)) {
        group->activate_action(name);
        return true;
    }
    return false;
}

}  // namespace Ctrl

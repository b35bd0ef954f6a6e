#include "ctrl/modes/select_connector_mode.hpp"

namespace Ctrl {

SelectConnectorMode::SelectConnectorMode(Context& ctrl) : Mode(ctrl) {}

}  // namespace Ctrl

#include "ctrl/modes/connect_mode.hpp"

namespace Ctrl {

std::string to_string(ConnectModeKind kind) {
    switch (kind) {
        case ConnectModeKind::ASSOCIATION:
            return "CTRL_CONNECT_MODE_KIND_ASSOCIATION";
        case ConnectModeKind::DEPENDENCY:
            return "CTRL_CONNECT_MODE_KIND_DEPENDENCY";
        case ConnectModeKind::AGGREGATION:
            return "CTRL_CONNECT_MODE_KIND_AGGREGATION";
        case ConnectModeKind::COMPOSITION:
            return "CTRL_CONNECT_MODE_KIND_COMPOSITION";
        case ConnectModeKind::GENERALIZATION:
            return "CTRL_CONNECT_MODE_KIND_GENERALIZATION";
    }
    return {};
}

std::string to_nick(ConnectModeKind kind) {
    switch (kind) {
        case ConnectModeKind::ASSOCIATION:
            return "association";
        case ConnectModeKind::DEPENDENCY:
            return "dependency";
        case ConnectModeKind::AGGREGATION:
            return "aggregation";
        case ConnectModeKind::COMPOSITION:
            return "composition";
        case ConnectModeKind::GENERALIZATION:
            return "generalization";
    }
    return {};
}

ConnectMode::ConnectMode(Context& ctrl) : Mode(ctrl) {}

}  // namespace Ctrl

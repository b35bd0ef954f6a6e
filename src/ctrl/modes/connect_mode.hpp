#pragma once

#include <string>

#include "ctrl/modes/mode.hpp"

namespace Ctrl {

enum class ConnectModeKind {
    ASSOCIATION = 0,
    DEPENDENCY = 1,
    AGGREGATION = 2,
    COMPOSITION = 3,
    GENERALIZATION = 4,
};

// "CTRL_CONNECT_MODE_KIND_ASSOCIATION", ...
std::string to_string(ConnectModeKind kind);
// "association", ...; also the connector kind's name in documents.
std::string to_nick(ConnectModeKind kind);

// Draws a connector from the class under the cursor to another class.
class ConnectMode : public Mode {
  public:
    explicit ConnectMode(Context& ctrl);

    // Without key bindings of its own the mode could not be left again.
    bool get_is_enterable() const override { return false; }

    std::string get_name() const override { return "CONNECT MODE"; }

    // Set by the cell mode just before it switches here.
    ConnectModeKind kind = ConnectModeKind::ASSOCIATION;
};

}  // namespace Ctrl

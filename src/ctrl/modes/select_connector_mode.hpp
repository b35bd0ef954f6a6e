#pragma once

#include "ctrl/modes/mode.hpp"

namespace Ctrl {

// Walks the connectors that end at the class under the cursor and removes
// the highlighted one.
class SelectConnectorMode : public Mode {
  public:
    explicit SelectConnectorMode(Context& ctrl);

    // Without key bindings of its own the mode could not be left again.
    bool get_is_enterable() const override { return false; }

    std::string get_name() const override { return "SELECT CONNECTOR MODE"; }
};

}  // namespace Ctrl

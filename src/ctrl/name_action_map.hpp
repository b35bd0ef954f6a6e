#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "ctrl/key_action_map.hpp"
#include "ctrl/named_action_handler.hpp"

namespace Ctrl {

// Actions by name, as the menus and tool bar reach them.
class NameActionMap : public INamedActionHandler {
  public:
    // Stores the action (replacing one of the same name), then emits
    // "update-actionable-name-sig" with all stored names.
    void set(const std::string& name, std::shared_ptr<ActionWrapper> action);
    // The stored action, or null.
    std::shared_ptr<ActionWrapper> get(const std::string& name) const;

    NameSet enum_actionable_name() override;
    // Runs the stored action; false when name is not stored.
    bool action(const std::string& name) override;

  private:
    std::unordered_map<std::string, std::shared_ptr<ActionWrapper>> m_map;
};

}  // namespace Ctrl

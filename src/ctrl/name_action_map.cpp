#include "ctrl/name_action_map.hpp"

namespace Ctrl {

void NameActionMap::set(const std::string& name, std::shared_ptr<ActionWrapper> action) {
    m_map.insert_or_assign(name, std::move(action));
    m_signal_update_actionable_name_sig.emit(enum_actionable_name());
}

std::shared_ptr<ActionWrapper> NameActionMap::get(const std::string& name) const {
    const auto it = m_map.find(name);
    return it == m_map.end() ? nullptr : it->second;
}

NameSet NameActionMap::enum_actionable_name() {
    NameSet names;
    for (const auto& entry : m_map) {
        names.insert(entry.first);
    }
    return names;
}

bool NameActionMap::action(const std::string& name) {
    const auto it = m_map.find(name);
    if (it == m_map.end() || !it->second) {
        return false;
    }
    return it->second->run();
}

}  // namespace Ctrl

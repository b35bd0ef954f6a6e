#include "ctrl/key_action_map.hpp"

#include <string>

#include "common/log.hpp"

namespace Ctrl {

void KeyActionMap::set(std::string_view key_pattern_name, std::shared_ptr<ActionWrapper> action) {
    m_map.insert_or_assign(KeyActionMapKeyPattern(key_pattern_name), std::move(action));
}

std::shared_ptr<ActionWrapper> KeyActionMap::set(std::string_view key_pattern_name,
                                                 ActionWrapper::Func func) {
    auto wrapper = ActionWrapper::create(std::move(func));
    set(key_pattern_name, wrapper);
    return wrapper;
}

std::shared_ptr<ActionWrapper> KeyActionMap::get(std::string_view key_pattern_name) const {
    const auto it = m_map.find(KeyActionMapKeyPattern(key_pattern_name));
    return it == m_map.end() ? nullptr : it->second;
}

bool KeyActionMap::action(const GdkEventKey* event) {
    LX_RETURN_VAL_IF_FAIL(event != nullptr, false);
    return action(event->keyval, event->state);
}

bool KeyActionMap::action(uint32_t keyval, uint32_t state) {
    KeyActionMapKeyPattern r = m_pending.value_or(KeyActionMapKeyPattern());
    r.add(KeyActionMapKey(keyval, state));

    if (m_map.empty()) {
        m_pending.reset();
        return false;
    }
    // The map is sorted with every prefix before its extensions, so the first
    // pattern not below r is either r itself or the nearest pattern that
    // might continue it.
    auto it = m_map.lower_bound(r);
    if (it == m_map.end()) {
        it = m_map.begin();
    }

    std::shared_ptr<ActionWrapper> candidate;
    const KeyActionMapKeyPattern* next = nullptr;
    if (it->first == r) {
        candidate = it->second;
        auto following = std::next(it);
        if (following != m_map.end()) {
            next = &following->first;
        }
    } else {
        next = &it->first;
    }

    if (next != nullptr && next->may_match_to(r)) {
        m_pending = std::move(r);
    } else {
        // With nothing after an exact match, no longer binding can follow:
        // run it now rather than wait forever for a continuation.
        m_pending.reset();
    }

    if (!m_pending && candidate) {
        return candidate->run();
    }
    return false;
}

void KeyActionMap::debug_print(const char* prefix) const {
    int i = 0;
    for (const auto& entry : m_map) {
        const std::string p = std::string(prefix ? prefix : "") + "[" + std::to_string(i++) + "]";
        entry.first.debug_print(p.c_str());
    }
}

}  // namespace Ctrl

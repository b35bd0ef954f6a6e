#include "ctrl/key_pattern.hpp"

#include <algorithm>

#include "common/log.hpp"

namespace Ctrl {

KeyActionMapKeyPattern::KeyActionMapKeyPattern(std::string_view name) {
    size_t start = 0;
    size_t length = 0;
    bool in_bracket = false;
    for (char c : name) {
        if (!in_bracket) {
            if (c == '<') {
                length = 2;
                in_bracket = true;
            } else {
                add(KeyActionMapKey::construct_name(name.substr(start, 1)));
                start += 1;
            }
        } else {
            if (c == '>') {
                add(KeyActionMapKey::construct_name(name.substr(start, length)));
                start += length;
                in_bracket = false;
            } else {
                length += 1;
            }
        }
    }
}

const KeyActionMapKey& KeyActionMapKeyPattern::get(int index) const {
    static const KeyActionMapKey EMPTY_KEY;
    if (index < 0 || index >= get_count()) {
        return EMPTY_KEY;
    }
    return m_keys[static_cast<size_t>(index)];
}

bool KeyActionMapKeyPattern::may_match_to(const KeyActionMapKeyPattern& other) const {
    if (get_count() < other.get_count()) {
        return false;
    }
    for (int i = 0; i < other.get_count(); ++i) {
        if (get(i).compare_to(other.get(i)) != 0) {
            return false;
        }
    }
    return true;
}

int KeyActionMapKeyPattern::compare_to(const KeyActionMapKeyPattern& other) const {
    const int n = std::max(get_count(), other.get_count());
    for (int i = 0; i < n; ++i) {
        const int c = get(i).compare_to(other.get(i));
        if (c != 0) {
            return c;
        }
    }
    return 0;
}

std::string KeyActionMapKeyPattern::to_string() const {
    std::string s;
    for (const auto& key : m_keys) {
        s += key.to_string();
    }
    return s;
}

void KeyActionMapKeyPattern::debug_print(const char* prefix) const {
    LX_DEBUG("%s key pattern = \"%s\"", prefix ? prefix : "", to_string().c_str());
}

KeyActionMapKeyPattern parse_key_pattern(std::string_view name) {
    return KeyActionMapKeyPattern(name);
}

}  // namespace Ctrl

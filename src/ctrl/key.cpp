#include "ctrl/key.hpp"

#include <array>
#include <string>
#include <utility>

#include <gdk/gdk.h>

#include "common/log.hpp"

namespace Ctrl {

namespace {

// Names that GDK spells differently or that cannot stand alone in a binding
// text. Ordered: for Return, "CR" comes first and is the name shown.
constexpr std::array<std::pair<std::string_view, uint32_t>, 14> SPKEY_TBL{{
    {"BS", 0xFF08},
    {"CR", 0xFF0D},
    {"Enter", 0xFF0D},
    {"Esc", 0xFF1B},
    {"lt", 0x3C},
    {"Bslash", 0x5C},
    {"Bar", 0x7C},
    {"Del", 0xFFFF},
    {"PageUp", 0xFF55},
    {"PageDown", 0xFF56},
    {"[", 0x5B},
    {"]", 0x5D},
    {":", 0x3A},
    {";", 0x3B},
}};

bool starts_with(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

KeyActionMapKey::KeyActionMapKey(uint32_t keyval, uint32_t state)
    : m_keyval(keyval), m_state(state) {
    uint32_t flags = state;
    if (!is_shiftable(keyval)) {
        flags &= ~SHIFT_MASK;
    }
    m_id = calc_id(keyval, flags);
}

KeyActionMapKey KeyActionMapKey::construct_name(std::string_view name) {
    uint32_t flags = 0;
    std::string_view key_name = name;
    if (name.size() >= 2 && name.front() == '<' && name.back() == '>') {
        size_t skip = 1;
        if (starts_with(name, "<S-")) {
            flags |= SHIFT_MASK;
            skip = 3;
        } else if (starts_with(name, "<C-")) {
            flags |= CONTROL_MASK;
            skip = 3;
        } else if (starts_with(name, "<M-")) {
            flags |= META_MASK;
            skip = 3;
        }
        // A prefix always leaves the final ">" after it, so this cannot underflow.
        key_name = name.substr(skip, name.size() - 1 - skip);
    }
    uint32_t keyval = lookup_special(key_name);
    // A printable ASCII character stands for itself ("<C-=>", "<C-->"); the
    // toolkit knows those keys only by names such as "equal".
    if (keyval == 0 && key_name.size() == 1 && key_name[0] > 0x20 && key_name[0] < 0x7F) {
        keyval = static_cast<uint32_t>(key_name[0]);
    }
    if (keyval == 0) {
        keyval = gdk_keyval_from_name(std::string(key_name).c_str());
    }
    KeyActionMapKey key;
    key.m_keyval = keyval;
    if (!is_shiftable(keyval)) {
        flags &= ~SHIFT_MASK;
    }
    key.m_state = flags;
    key.m_id = calc_id(keyval, flags);
    return key;
}

uint32_t KeyActionMapKey::calc_id(uint32_t keyval, uint32_t state) {
    uint32_t id = keyval & 0x0FFFFFFF;
    if (state & CONTROL_MASK) {
        id |= 0x40000000;
    }
    if (state & META_MASK) {
        id |= 0x20000000;
    }
    if (state & SHIFT_MASK) {
        id |= 0x10000000;
    }
    return id;
}

bool KeyActionMapKey::is_shiftable(uint32_t keyval) {
    return keyval == 0x20 || (keyval >= 0xFF00 && keyval <= 0xFFFF);
}

bool KeyActionMapKey::is_alnum(uint32_t keyval) {
    return (keyval >= 'a' && keyval <= 'z') || (keyval >= 'A' && keyval <= 'Z') ||
           (keyval >= '0' && keyval <= '9');
}

uint32_t KeyActionMapKey::lookup_special(std::string_view name) {
    for (const auto& [n, v] : SPKEY_TBL) {
        if (n == name) {
            return v;
        }
    }
    return 0;
}

int KeyActionMapKey::compare_to(const KeyActionMapKey& other) const {
    const int64_t d = static_cast<int64_t>(m_id) - static_cast<int64_t>(other.m_id);
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

std::string KeyActionMapKey::to_string() const {
    std::string prefix;
    std::string suffix;
    if (m_state & SHIFT_MASK) {
        prefix = "<S-";
        suffix = ">";
    } else if (m_state & CONTROL_MASK) {
        prefix = "<C-";
        suffix = ">";
    } else if (m_state & META_MASK) {
        prefix = "<M-";
        suffix = ">";
    } else if (!is_alnum(m_keyval)) {
        prefix = "<";
        suffix = ">";
    }
    std::string name;
    bool found = false;
    for (const auto& [n, v] : SPKEY_TBL) {
        if (v == m_keyval) {
            name = n;
            found = true;
            break;
        }
    }
    if (!found) {
        const char* gdk_name = gdk_keyval_name(m_keyval);
        name = gdk_name ? gdk_name : "";
    }
    return prefix + name + suffix;
}

void KeyActionMapKey::debug_print(const char* prefix) const {
    LX_DEBUG("%s key name = \"%s\", id = %x", prefix ? prefix : "", to_string().c_str(), m_id);
}

}  // namespace Ctrl

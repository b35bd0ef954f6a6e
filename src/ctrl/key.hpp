#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Ctrl {

// One key of a binding: a GDK key value plus the modifiers that matter.
// Keys are compared by their id only, so a key typed on the keyboard and a
// key named in a binding text ("<C-r>", "O", "<:>") meet on equal terms.
class KeyActionMapKey {
  public:
    // Modifier bits as GDK reports them; other modifiers never take part.
    static constexpr uint32_t SHIFT_MASK = 1;
    static constexpr uint32_t CONTROL_MASK = 4;
    static constexpr uint32_t META_MASK = 0x10000000;

    // The empty key (value 0, id 0): what a pattern reads past its end.
    KeyActionMapKey() = default;
    // A key from an event's key value and modifier state. Shift is dropped
    // from the id for keys that are not shiftable (an upper-case letter
    // typed with Shift is the same key as the name "O").
    KeyActionMapKey(uint32_t keyval, uint32_t state);

    // A key from the text of one key: "a", "<C-r>", "<S-Enter>", "<:>".
    // A name unknown to the special-key table and to GDK gives GDK's void
    // key value, which no keyboard produces.
    static KeyActionMapKey construct_name(std::string_view name);

    // Low 28 bits of the key value plus one bit each for Control, Meta and
    // Shift; Caps Lock, Num Lock and Alt are ignored.
    static uint32_t calc_id(uint32_t keyval, uint32_t state);
    // Space and the function/cursor keys (0xFF00..0xFFFF) keep Shift.
    static bool is_shiftable(uint32_t keyval);
    // "a".."z", "A".."Z", "0".."9".
    static bool is_alnum(uint32_t keyval);
    // The key value of a special name ("BS", "CR", "Esc", ":" ...), or 0.
    static uint32_t lookup_special(std::string_view name);

    uint32_t get_keyval() const { return m_keyval; }
    uint32_t get_state() const { return m_state; }
    uint32_t get_id() const { return m_id; }

    // Sign of id - other.id.
    int compare_to(const KeyActionMapKey& other) const;
    bool operator==(const KeyActionMapKey& other) const { return m_id == other.m_id; }

    // The key as binding text, with at most one modifier shown: "<C-r>",
    // "d", "<CR>", "<:>".
    std::string to_string() const;
    void debug_print(const char* prefix) const;

  private:
    uint32_t m_keyval = 0;
    uint32_t m_state = 0;
    uint32_t m_id = 0;
};

}  // namespace Ctrl

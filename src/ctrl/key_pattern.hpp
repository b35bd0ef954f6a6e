#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ctrl/key.hpp"

namespace Ctrl {

// A sequence of keys such as "dd" or "<C-r>". Patterns are ordered key by
// key, a missing key reading as the empty key, so a prefix sorts before its
// extensions ("a" < "ab" < "b"); the key action map relies on that order.
class KeyActionMapKeyPattern {
  public:
    KeyActionMapKeyPattern() = default;
    // Parses a binding text. Plain bytes are one key each; "<...>" is one
    // key; an opening bracket that is never closed adds nothing for itself
    // or for what follows it. Never fails: any text gives some pattern.
    explicit KeyActionMapKeyPattern(std::string_view name);

    void add(const KeyActionMapKey& key) { m_keys.push_back(key); }
    // The key at index, or the empty key at or past the end.
    const KeyActionMapKey& get(int index) const;
    int get_count() const { return static_cast<int>(m_keys.size()); }

    // True when other is a prefix of this pattern or equal to it.
    bool may_match_to(const KeyActionMapKeyPattern& other) const;
    // Negative, zero or positive like the first differing key.
    int compare_to(const KeyActionMapKeyPattern& other) const;
    bool operator==(const KeyActionMapKeyPattern& other) const { return compare_to(other) == 0; }
    bool operator<(const KeyActionMapKeyPattern& other) const { return compare_to(other) < 0; }

    std::string to_string() const;
    void debug_print(const char* prefix) const;

  private:
    std::vector<KeyActionMapKey> m_keys;
};

// Plain entry point for parsing binding texts (used by fuzzing).
KeyActionMapKeyPattern parse_key_pattern(std::string_view name);

}  // namespace Ctrl

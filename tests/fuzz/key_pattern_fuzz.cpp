// Parses arbitrary binding texts as key patterns.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ctrl/key_pattern.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Ctrl::KeyActionMapKeyPattern pattern = Ctrl::parse_key_pattern(text);
    // Every byte gives at most one key.
    if (pattern.get_count() < 0 || static_cast<size_t>(pattern.get_count()) > size) {
        abort();
    }
    // The ordering the key maps rely on must be a consistent one.
    if (pattern.compare_to(pattern) != 0 || !pattern.may_match_to(pattern)) {
        abort();
    }
    const Ctrl::KeyActionMapKeyPattern empty;
    if (!pattern.may_match_to(empty)) {
        abort();
    }
    if (pattern.get_count() > 0 &&
        (pattern.compare_to(empty) <= 0) != (empty.compare_to(pattern) >= 0)) {
        abort();
    }
    (void)pattern.get(pattern.get_count());
    (void)pattern.to_string();
    return 0;
}

// Splits arbitrary bytes as a command line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ctrl/command_action_map.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto words = Ctrl::CommandActionMap::split(text);
    // Words are non-empty pieces of the input, in order, never overlapping.
    size_t from = 0;
    for (const auto& word : words) {
        if (word.empty()) {
            abort();
        }
        const size_t at = text.find(word, from);
        if (at == std::string_view::npos) {
            abort();
        }
        from = at + word.size();
    }
    if (words.size() > size) {
        abort();
    }
    return 0;
}

#pragma once

#include <cstdint>
#include <string>

// A byte range inside a UTF-8 text: start inclusive, end exclusive.
struct TextRange {
    int32_t start = 0;
    int32_t end = 0;

    constexpr TextRange() = default;
    constexpr TextRange(int32_t s, int32_t e) : start(s), end(e) {}

    // end - start: negative for a reversed range, 0 for an empty one.
    constexpr int32_t size() const { return end - start; }

    bool operator==(const TextRange& o) const = default;
};

// ---- byte offsets into UTF-8 text ----------------------------------------
// Text positions are byte indexes. Positions kept on a text that can change
// behind them (undo, a block moving up, a layout edited elsewhere) go through
// these before use, so that no index ever points past the end or into the
// middle of a character.

// The second and later bytes of a multi-byte character.
constexpr bool is_continuation_byte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
// index moved into [0, text length] and back onto the start of a character.
int fit_text_index(const std::string& text, int index);
// range with both ends fitted and start <= end.
TextRange fit_text_range(const std::string& text, const TextRange& range);
// The bytes of text covered by range (fitted first).
std::string slice_text_range(const std::string& text, const TextRange& range);
// Moves i one character forward / backward; false, leaving i alone, at the
// end / start of the text.
bool step_char_forward(const std::string& text, int& i);
bool step_char_backward(const std::string& text, int& i);

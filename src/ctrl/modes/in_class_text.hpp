#pragma once

#include <string>

#include "common/text_range.hpp"

namespace Ctrl {

// Byte positions of the in-class modes are kept on elements whose text can
// change behind them (undo, blocks moving up), so every use fits them first
// (fit_text_index and its kin beside TextRange).

// text without the bytes of range, and where a cursor at `cursor` ends up:
// after the range it moves back by the range's size, inside it goes to the
// range's start, before it stays. The cursor is fitted into the new text.
struct TextRangeDeletion {
    std::string text;
    int cursor = 0;
};
TextRangeDeletion delete_text_range(const std::string& text, const TextRange& range, int cursor);

// The text copied from a selection that runs from the element with index
// anchor to the element with index active (0 name, 1 block 1, 2 block 2),
// given each element's selected piece. Within one element the pieces join
// without separator; across elements a line feed stands between two pieces.
// A hidden block 1 between name and block 2 adds nothing.
std::string join_selected_text(int anchor, int active, const std::string& name,
                               const std::string& block1, const std::string& block2,
                               bool block1_shown = true);

}  // namespace Ctrl

#include "ctrl/modes/in_class_text.hpp"

#include <algorithm>

namespace Ctrl {

namespace {

bool is_continuation_byte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

int fit_text_index(const std::string& text, int index) {
    int i = std::clamp(index, 0, static_cast<int>(text.size()));
    while (i > 0 && i < static_cast<int>(text.size()) &&
           is_continuation_byte(text[static_cast<size_t>(i)])) {
        --i;
    }
    return i;
}

TextRange fit_text_range(const std::string& text, const TextRange& range) {
    int a = fit_text_index(text, range.start);
    int b = fit_text_index(text, range.end);
    return TextRange(std::min(a, b), std::max(a, b));
}

std::string slice_text_range(const std::string& text, const TextRange& range) {
    TextRange r = fit_text_range(text, range);
    return text.substr(static_cast<size_t>(r.start), static_cast<size_t>(r.size()));
}

TextRangeDeletion delete_text_range(const std::string& text, const TextRange& range, int cursor) {
    TextRange r = fit_text_range(text, range);
    TextRangeDeletion result;
    result.text = text;
    result.text.erase(static_cast<size_t>(r.start), static_cast<size_t>(r.size()));
    int c = fit_text_index(text, cursor);
    if (c >= r.end) {
        c -= r.size();
    } else if (c > r.start) {
        c = r.start;
    }
    result.cursor = fit_text_index(result.text, c);
    return result;
}

std::string join_selected_text(int anchor, int active, const std::string& name,
                               const std::string& block1, const std::string& block2,
                               bool block1_shown) {
    if (anchor == active) {
        return name + block1 + block2;
    }
    const int top = std::min(anchor, active);
    const int bottom = std::max(anchor, active);
    if (top == 0 && bottom == 1) {
        return name + "\n" + block1;
    }
    if (top == 0 && bottom == 2) {
        return block1_shown ? name + "\n" + block1 + "\n" + block2 : name + "\n" + block2;
    }
    return block1 + "\n" + block2;
}

}  // namespace Ctrl

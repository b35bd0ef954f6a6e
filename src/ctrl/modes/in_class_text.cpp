#include "ctrl/modes/in_class_text.hpp"

#include <algorithm>

namespace Ctrl {

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

#include "common/text_range.hpp"

#include <algorithm>

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

bool step_char_forward(const std::string& text, int& i) {
    if (i < 0 || static_cast<size_t>(i) >= text.size()) {
        return false;
    }
    size_t j = static_cast<size_t>(i) + 1;
    while (j < text.size() && is_continuation_byte(text[j])) {
        ++j;
    }
    i = static_cast<int>(j);
    return true;
}

bool step_char_backward(const std::string& text, int& i) {
    if (i <= 0) {
        return false;
    }
    size_t j = std::min(static_cast<size_t>(i), text.size()) - 1;
    while (j > 0 && is_continuation_byte(text[j])) {
        --j;
    }
    i = static_cast<int>(j);
    return true;
}

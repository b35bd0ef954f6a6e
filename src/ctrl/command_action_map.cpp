#include "ctrl/command_action_map.hpp"

#include <glib.h>

namespace Ctrl {

void CommandActionMap::set(const std::string& word, std::shared_ptr<CmdActionWrapper> action) {
    m_map.insert_or_assign(word, std::move(action));
}

void CommandActionMap::set(const std::string& word, CmdActionWrapper::Func func) {
    set(word, CmdActionWrapper::create(std::move(func)));
}

std::shared_ptr<CmdActionWrapper> CommandActionMap::get(const std::string& word) const {
    const auto it = m_map.find(word);
    return it == m_map.end() ? nullptr : it->second;
}

std::vector<std::string> CommandActionMap::split(std::string_view str) {
    std::vector<std::string> words;
    size_t word_start = 0;
    bool in_word = false;
    size_t i = 0;
    while (i < str.size()) {
        // Decode one character without ever reading past the end: typed text
        // is valid UTF-8, but a fuzzer's input need not be.
        const gunichar c =
            g_utf8_get_char_validated(str.data() + i, static_cast<gssize>(str.size() - i));
        size_t len = 1;
        bool blank = false;
        if (c != static_cast<gunichar>(-1) && c != static_cast<gunichar>(-2)) {
            len = static_cast<size_t>(g_unichar_to_utf8(c, nullptr));
            blank = g_unichar_isspace(c);
            if (c == 0) {
                len = 1;
            }
        }
        if (blank) {
            if (in_word) {
                words.emplace_back(str.substr(word_start, i - word_start));
                in_word = false;
            }
        } else if (!in_word) {
            word_start = i;
            in_word = true;
        }
        i += len;
    }
    if (in_word) {
        words.emplace_back(str.substr(word_start));
    }
    return words;
}

bool CommandActionMap::action(std::string_view command) const {
    const auto words = split(command);
    if (words.empty()) {
        return false;
    }
    const auto wrapper = get(words.front());
    if (!wrapper) {
        return false;
    }
    return wrapper->run(std::vector<std::string>(words.begin() + 1, words.end()));
}

}  // namespace Ctrl

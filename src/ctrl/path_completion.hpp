#pragma once

#include <string>
#include <vector>

namespace Ctrl {

// Completing a file path typed on the command line.
struct PathCompletion {
    // The word extended to the longest prefix that all candidates share;
    // the word itself when they share nothing more.
    std::string completed;
    // The names that fit, sorted, a folder with "/" after it.
    std::vector<std::string> candidates;
};

// Completes word, a partial path: absolute, starting with "~/" (the home
// folder) or relative to base_dir. Hidden names are offered only when the
// typed name starts with ".". A folder that cannot be read offers nothing.
PathCompletion complete_path(const std::string& word, const std::string& base_dir);

// The longest prefix of all texts that ends on a whole UTF-8 character.
std::string common_prefix(const std::vector<std::string>& texts);

}  // namespace Ctrl

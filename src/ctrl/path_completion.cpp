#include "ctrl/path_completion.hpp"

#include <algorithm>

#include <glibmm/fileutils.h>
#include <glibmm/miscutils.h>

#include "common/log.hpp"

namespace Ctrl {

std::string common_prefix(const std::vector<std::string>& texts) {
    if (texts.empty()) {
        return std::string();
    }
    size_t n = texts[0].size();
    for (const auto& t : texts) {
        n = std::min(n, static_cast<size_t>(std::mismatch(texts[0].begin(),
                                                          texts[0].begin() + std::min(n, t.size()),
                                                          t.begin())
                                                .first -
                                            texts[0].begin()));
    }
    // Never half a character: back off over continuation bytes.
    while (n > 0 && n < texts[0].size() &&
           (static_cast<unsigned char>(texts[0][n]) & 0xC0) == 0x80) {
        --n;
    }
    return texts[0].substr(0, n);
}

PathCompletion complete_path(const std::string& word, const std::string& base_dir) {
    PathCompletion result;
    result.completed = word;
    const size_t slash = word.rfind('/');
    const std::string dir_part =
        slash == std::string::npos ? std::string() : word.substr(0, slash + 1);
    const std::string prefix = slash == std::string::npos ? word : word.substr(slash + 1);
    std::string dir;
    if (dir_part.empty()) {
        dir = base_dir;
    } else if (Glib::path_is_absolute(dir_part)) {
        dir = dir_part;
    } else if (dir_part.rfind("~/", 0) == 0) {
        dir = Glib::build_filename(Glib::get_home_dir(), dir_part.substr(2));
    } else {
        dir = Glib::build_filename(base_dir, dir_part);
    }
    try {
        Glib::Dir listing(dir);
        for (const std::string& name : listing) {
            if (name.rfind(prefix, 0) != 0 || (name[0] == '.' && prefix.rfind('.', 0) != 0)) {
                continue;
            }
            const bool is_dir =
                Glib::file_test(Glib::build_filename(dir, name), Glib::FILE_TEST_IS_DIR);
            result.candidates.push_back(is_dir ? name + "/" : name);
        }
    } catch (const Glib::Error& e) {
        LX_DEBUG("%s", e.what().c_str());
        return result;
    }
    std::sort(result.candidates.begin(), result.candidates.end());
    const std::string shared = common_prefix(result.candidates);
    if (shared.size() > prefix.size()) {
        result.completed = dir_part + shared;
    }
    return result;
}

}  // namespace Ctrl

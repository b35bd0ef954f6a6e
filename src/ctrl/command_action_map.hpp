#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Ctrl {

// A command of the command line: takes the words after the command word.
// The callable captures its target without owning it.
class CmdActionWrapper {
  public:
    using Func = std::function<bool(const std::vector<std::string>& args)>;
    explicit CmdActionWrapper(Func func) : m_func(std::move(func)) {}
    static std::shared_ptr<CmdActionWrapper> create(Func func) {
        return std::make_shared<CmdActionWrapper>(std::move(func));
    }
    // args.size() is the argument count.
    bool run(const std::vector<std::string>& args) const { return m_func ? m_func(args) : false; }

  private:
    Func m_func;
};

// Commands by their first word ("w", "r", "xp", ...).
class CommandActionMap {
  public:
    void set(const std::string& word, std::shared_ptr<CmdActionWrapper> action);
    void set(const std::string& word, CmdActionWrapper::Func func);
    std::shared_ptr<CmdActionWrapper> get(const std::string& word) const;

    // The words of str: maximal runs of characters that are not Unicode white
    // space. Never yields an empty word. Bytes that are not valid UTF-8 count
    // as one non-blank character each, so any input is safe.
    static std::vector<std::string> split(std::string_view str);

    // Splits command and runs the command named by its first word with the
    // other words. False with no word, an unbound word, or a failed command.
    [[nodiscard]] bool action(std::string_view command) const;

  private:
    std::unordered_map<std::string, std::shared_ptr<CmdActionWrapper>> m_map;
};

}  // namespace Ctrl

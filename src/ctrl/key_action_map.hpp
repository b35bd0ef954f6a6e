#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include <gdk/gdk.h>

#include "ctrl/key_pattern.hpp"

namespace Ctrl {

// One bindable action: a callable answering true when it was carried out.
// The callable captures its target (a mode, the command line) without
// owning it; the target owns the map that owns the wrapper.
class ActionWrapper {
  public:
    using Func = std::function<bool()>;
    explicit ActionWrapper(Func func) : m_func(std::move(func)) {}
    static std::shared_ptr<ActionWrapper> create(Func func) {
        return std::make_shared<ActionWrapper>(std::move(func));
    }
    bool run() const { return m_func ? m_func() : false; }

  private:
    Func m_func;
};

// Key bindings of one mode or of the command line. Feeds key events one at a
// time; a pattern of several keys ("dd") is collected in a pending pattern
// while a longer binding may still follow.
class KeyActionMap {
  public:
    // Binds the parsed pattern; an equal pattern ("<CR>" and "<Enter>") is
    // replaced.
    void set(std::string_view key_pattern_name, std::shared_ptr<ActionWrapper> action);
    // Convenience: wraps func and binds it; returns the wrapper so that a
    // named action can share it.
    std::shared_ptr<ActionWrapper> set(std::string_view key_pattern_name, ActionWrapper::Func func);
    // The action bound to the parsed pattern, or null.
    std::shared_ptr<ActionWrapper> get(std::string_view key_pattern_name) const;

    // Matches one key press. True only when an action ran and reported
    // success; a key that waits for more keys, continues no binding, or whose
    // action failed answers false, so the key can reach a text editor.
    bool action(const GdkEventKey* event);
    bool action(uint32_t keyval, uint32_t state);

    // The keys collected so far while a longer pattern may follow, or none.
    const std::optional<KeyActionMapKeyPattern>& get_pending() const { return m_pending; }
    bool empty() const { return m_map.empty(); }

    void debug_print(const char* prefix) const;

  private:
    std::map<KeyActionMapKeyPattern, std::shared_ptr<ActionWrapper>> m_map;
    std::optional<KeyActionMapKeyPattern> m_pending;
};

}  // namespace Ctrl

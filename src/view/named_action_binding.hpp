#pragma once

#include <functional>
#include <memory>
#include <string>

#include <sigc++/connection.h>
#include <sigc++/signal.h>

#include "ctrl/named_action_handler.hpp"

namespace Gtk {
class Widget;
}

namespace View {

// What the menu bar and the tool bar share: the named-action handler their
// entries drive, the subscription that keeps the entries' enabled states in
// step with it, and how an entry runs.
class NamedActionBinding {
  public:
    // bar: the bar that owns this binding. enable: sets every entry of the
    // bar enabled or not for the names actionable now.
    NamedActionBinding(Gtk::Widget& bar, std::function<void(const Ctrl::NameSet&)> enable);
    ~NamedActionBinding();
    NamedActionBinding(const NamedActionBinding&) = delete;
    NamedActionBinding& operator=(const NamedActionBinding&) = delete;

    const std::shared_ptr<Ctrl::INamedActionHandler>& get_handler() const { return m_handler; }
    // Moves the subscription to the new handler's actionable names.
    void set_handler(std::shared_ptr<Ctrl::INamedActionHandler> handler);
    sigc::signal<void()>& signal_handler_changed() { return m_signal_handler_changed; }
    // Enables the entries for the handler's names now.
    void refresh();

    // Runs the named action through the handler, with the window's own
    // actions as the fallback.
    void run(const std::string& action_name);
    // Activates the window's "export-png" with the empty path, so it always
    // asks for a file.
    void run_export();
    // What an entry does: the export entries export, the others run().
    void activate_entry(const std::string& action_name);

  private:
    Gtk::Widget& m_bar;
    std::function<void(const Ctrl::NameSet&)> m_enable;
    std::shared_ptr<Ctrl::INamedActionHandler> m_handler;
    sigc::connection m_handler_connection;
    sigc::signal<void()> m_signal_handler_changed;
};

// A bar of entries (menu items, tool buttons) that run named actions: the
// menu bar and the tool bar. Entry has action_name() and set_sensitive().
template <class Base, class Entry>
class NamedActionBar : public Base {
  public:
    explicit NamedActionBar(std::shared_ptr<Ctrl::INamedActionHandler> named_action)
        : m_binding(*this,
                    [this](const Ctrl::NameSet& names) { on_update_actionable_name(names); }) {
        set_named_action(std::move(named_action));
    }

    // "named-action"
    const std::shared_ptr<Ctrl::INamedActionHandler>& get_named_action() const {
        return m_binding.get_handler();
    }
    // Moves the subscription to the new handler's actionable names.
    void set_named_action(std::shared_ptr<Ctrl::INamedActionHandler> named_action) {
        m_binding.set_handler(std::move(named_action));
    }
    sigc::signal<void()>& signal_named_action_changed() {
        return m_binding.signal_handler_changed();
    }

    // Enables exactly the entries whose name is in the set, and "manual".
    void on_update_actionable_name(const Ctrl::NameSet& actionable_name_set) {
        foreach_entry([&](Entry& entry) {
            entry.set_sensitive(Ctrl::is_actionable(actionable_name_set, entry.action_name()));
            return true;
        });
    }
    // Visits every entry; fn answers false to stop.
    virtual void foreach_entry(const std::function<bool(Entry&)>& fn) = 0;

    // Runs the named action through the handler, with the window's own
    // actions as the fallback.
    void run_named_action(const std::string& action_name) { m_binding.run(action_name); }
    // Always asks for a file: activates the window's "export-png" with "".
    void run_export() { m_binding.run_export(); }

  protected:
    // What an entry runs when activated.
    std::function<void(const std::string&)> entry_callback() {
        return [this](const std::string& name) { m_binding.activate_entry(name); };
    }
    // Enables the entries for the handler's names; for a freshly filled bar.
    void refresh() { m_binding.refresh(); }

  private:
    NamedActionBinding m_binding;
};

}  // namespace View

#pragma once

#include <functional>
#include <memory>
#include <string>

#include <gtkmm/menubar.h>
#include <gtkmm/menuitem.h>
#include <sigc++/connection.h>
#include <sigc++/signal.h>

#include "ctrl/named_action_handler.hpp"

namespace View {

// A menu entry that runs a named action. The callback gets the entry's
// action name; whoever makes the entry binds the target into it.
class MenuItem : public Gtk::MenuItem {
  public:
    using Callback = std::function<void(const std::string& action_name)>;

    // Starts disabled until the bar learns which names are actionable.
    MenuItem(const std::string& label, const std::string& action_name, Callback callback);

    const std::string& action_name() const { return m_action_name; }

  protected:
    void on_activate() override;

  private:
    std::string m_action_name;
    Callback m_callback;
};

// The File, Edit, Connector and Help menus over a named-action handler.
class MenuBar : public Gtk::MenuBar {
  public:
    explicit MenuBar(std::shared_ptr<Ctrl::INamedActionHandler> named_action);
    ~MenuBar() override;

    // "named-action"
    const std::shared_ptr<Ctrl::INamedActionHandler>& get_named_action() const {
        return m_named_action;
    }
    // Moves the subscription to the new handler's actionable names.
    void set_named_action(std::shared_ptr<Ctrl::INamedActionHandler> named_action);
    sigc::signal<void()>& signal_named_action_changed() { return m_signal_named_action_changed; }

    // Enables exactly the entries whose name is in the set, and "manual".
    void on_update_actionable_name(const Ctrl::NameSet& actionable_name_set);
    // Visits every entry inside the submenus; fn answers false to stop.
    void foreach_menu_item(const std::function<bool(MenuItem&)>& fn);

    // Runs the named action through the handler, with the window's own
    // actions as the fallback.
    void on_activate_menu_item(const std::string& action_name);
    // Always asks for a file: activates the window's "export-png" with "".
    void on_activate_export();

  private:
    std::shared_ptr<Ctrl::INamedActionHandler> m_named_action;
    sigc::connection m_named_action_connection;
    sigc::signal<void()> m_signal_named_action_changed;
};

}  // namespace View

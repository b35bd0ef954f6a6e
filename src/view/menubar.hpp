#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtkmm/accelgroup.h>
#include <gtkmm/menubar.h>
#include <gtkmm/menuitem.h>
#include <sigc++/connection.h>
#include <sigc++/signal.h>

#include "ctrl/named_action_handler.hpp"
#include "view/named_action_binding.hpp"

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

// The File, Edit, View, Connector and Help menus over a named-action handler.
class MenuBar : public NamedActionBar<Gtk::MenuBar, MenuItem> {
  public:
    explicit MenuBar(std::shared_ptr<Ctrl::INamedActionHandler> named_action);

    void foreach_entry(const std::function<bool(MenuItem&)>& fn) override;
    void foreach_menu_item(const std::function<bool(MenuItem&)>& fn) { foreach_entry(fn); }

    void on_activate_menu_item(const std::string& action_name) { run_named_action(action_name); }
    void on_activate_export() { run_export(); }

    // The entries' desktop shortcuts; the window adds the group so they work
    // wherever the focus is. A shortcut follows its entry's enabled state.
    const Glib::RefPtr<Gtk::AccelGroup>& get_accel_group() const { return m_accel_group; }
    struct Shortcut {
        std::string action_name;
        std::string accel;  // as gtk_accelerator_parse reads it
    };
    const std::vector<Shortcut>& get_shortcuts() const { return m_shortcuts; }

  private:
    // "Open Recent": the documents this program opened or saved lately,
    // from the desktop's recent-files store; choosing one activates the
    // window's "open-recent" with its address.
    Gtk::MenuItem* new_recent_item(const char* label);

    Glib::RefPtr<Gtk::AccelGroup> m_accel_group;
    std::vector<Shortcut> m_shortcuts;
};

}  // namespace View

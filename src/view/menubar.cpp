#include "view/menubar.hpp"

#include <vector>

#include <glibmm/variant.h>
#include <gtkmm/applicationwindow.h>
#include <gtkmm/menu.h>
#include <gtkmm/separatormenuitem.h>

#include "common/log.hpp"

namespace View {

MenuItem::MenuItem(const std::string& label, const std::string& action_name, Callback callback)
    : Gtk::MenuItem(label, false), m_action_name(action_name), m_callback(std::move(callback)) {
    set_sensitive(false);
}

void MenuItem::on_activate() {
    Gtk::MenuItem::on_activate();
    if (m_callback) {
        m_callback(m_action_name);
    }
}

namespace {

struct Entry {
    const char* label;  // nullptr: a rule
    const char* action_name;
};

const std::vector<std::pair<const char*, std::vector<Entry>>>& menus() {
    static const std::vector<std::pair<const char*, std::vector<Entry>>> table = {
        {"File",
         {{"Open", "open-file"},
          {"Save", "save-file"},
          {"Save as", "save-as-file"},
          {"Export image", "export-png"},
          {nullptr, nullptr},
          {"Exit", "exit"}}},
        {"Edit",
         {{"Undo", "undo"},
          {"Redo", "redo"},
          {nullptr, nullptr},
          {"Copy", "copy"},
          {"Cut", "cut"},
          {"Paste", "paste"},
          {nullptr, nullptr},
          {"Insert class element", "insert-class"},
          {nullptr, nullptr},
          {"Insert row", "insert-row"},
          {"Insert column", "insert-col"},
          {"Delete row", "delete-row"},
          {"Delete column", "delete-col"}}},
        {"Connector",
         {{"Dependency", "connect-dependency"},
          {"Association", "connect-association"},
          {"Aggregation", "connect-aggregation"},
          {"Composition", "connect-composition"}}},
        {"Help", {{"Manual", "manual"}, {"Version info.", "version"}}},
    };
    return table;
}

}  // namespace

MenuBar::MenuBar(std::shared_ptr<Ctrl::INamedActionHandler> named_action) {
    set_named_action(std::move(named_action));
    for (const auto& [title, entries] : menus()) {
        auto* top = Gtk::make_managed<Gtk::MenuItem>(title, false);
        auto* menu = Gtk::make_managed<Gtk::Menu>();
        for (const Entry& e : entries) {
            if (e.label == nullptr) {
                menu->append(*Gtk::make_managed<Gtk::SeparatorMenuItem>());
                continue;
            }
            MenuItem::Callback cb;
            if (std::string(e.action_name) == "export-png") {
                cb = [this](const std::string&) { on_activate_export(); };
            } else {
                cb = [this](const std::string& name) { on_activate_menu_item(name); };
            }
            menu->append(*Gtk::make_managed<MenuItem>(e.label, e.action_name, std::move(cb)));
        }
        top->set_submenu(*menu);
        append(*top);
    }
    if (m_named_action) {
        on_update_actionable_name(m_named_action->enum_actionable_name());
    }
}

MenuBar::~MenuBar() {
    m_named_action_connection.disconnect();
}

void MenuBar::set_named_action(std::shared_ptr<Ctrl::INamedActionHandler> named_action) {
    LX_RETURN_IF_FAIL(named_action != nullptr);
    m_named_action_connection.disconnect();
    m_named_action = std::move(named_action);
    m_named_action_connection = m_named_action->signal_update_actionable_name_sig().connect(
        sigc::mem_fun(*this, &MenuBar::on_update_actionable_name));
    m_signal_named_action_changed.emit();
}

void MenuBar::on_update_actionable_name(const Ctrl::NameSet& actionable_name_set) {
    foreach_menu_item([&](MenuItem& item) {
        item.set_sensitive(Ctrl::is_actionable(actionable_name_set, item.action_name()));
        return true;
    });
}

void MenuBar::foreach_menu_item(const std::function<bool(MenuItem&)>& fn) {
    for (Gtk::Widget* top : get_children()) {
        auto* top_item = dynamic_cast<Gtk::MenuItem*>(top);
        if (top_item == nullptr || top_item->get_submenu() == nullptr) {
            continue;
        }
        for (Gtk::Widget* child : top_item->get_submenu()->get_children()) {
            if (auto* item = dynamic_cast<MenuItem*>(child)) {
                if (!fn(*item)) {
                    return;
                }
            }
        }
    }
}

void MenuBar::on_activate_menu_item(const std::string& action_name) {
    if (!m_named_action) {
        return;
    }
    auto* group = dynamic_cast<Gio::ActionGroup*>(get_toplevel());
    m_named_action->action_with_glib(group, action_name);
}

void MenuBar::on_activate_export() {
    if (auto* window = dynamic_cast<Gtk::ApplicationWindow*>(get_toplevel())) {
        window->activate_action("export-png", Glib::Variant<Glib::ustring>::create(""));
    }
}

}  // namespace View

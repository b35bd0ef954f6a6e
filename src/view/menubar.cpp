#include "view/menubar.hpp"

#include <vector>

#include <gtkmm/menu.h>
#include <gtkmm/separatormenuitem.h>

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

MenuBar::MenuBar(std::shared_ptr<Ctrl::INamedActionHandler> named_action)
    : NamedActionBar(std::move(named_action)) {
    for (const auto& [title, entries] : menus()) {
        auto* top = Gtk::make_managed<Gtk::MenuItem>(title, false);
        auto* menu = Gtk::make_managed<Gtk::Menu>();
        for (const Entry& e : entries) {
            if (e.label == nullptr) {
                menu->append(*Gtk::make_managed<Gtk::SeparatorMenuItem>());
                continue;
            }
            menu->append(*Gtk::make_managed<MenuItem>(e.label, e.action_name, entry_callback()));
        }
        top->set_submenu(*menu);
        append(*top);
    }
    refresh();
}

void MenuBar::foreach_entry(const std::function<bool(MenuItem&)>& fn) {
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

}  // namespace View

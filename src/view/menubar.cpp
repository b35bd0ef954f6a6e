#include "view/menubar.hpp"

#include <vector>

#include <glibmm/miscutils.h>
#include <glibmm/variant.h>
#include <gtk/gtk.h>
#include <gtkmm/accelgroup.h>
#include <gtkmm/applicationwindow.h>
#include <gtkmm/menu.h>
#include <gtkmm/recentchoosermenu.h>
#include <gtkmm/recentfilter.h>
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
    // The desktop shortcut in the toolkit's notation, or none.
    const char* accel = nullptr;
};

// Stands in the entry table for the recent-documents submenu.
constexpr const char* OPEN_RECENT = "open-recent";

const std::vector<std::pair<const char*, std::vector<Entry>>>& menus() {
    static const std::vector<std::pair<const char*, std::vector<Entry>>> table = {
        {"File",
         {{"New", "new-file", "<Control>n"},
          {"Open", "open-file", "<Control>o"},
          {"Open Recent", OPEN_RECENT},
          {"Save", "save-file", "<Control>s"},
          {"Save as", "save-as-file", "<Control><Shift>s"},
          {"Export image", "export-png", "<Control>e"},
          {nullptr, nullptr},
          {"Exit", "exit", "<Control>q"}}},
        {"Edit",
         {{"Undo", "undo", "<Control>z"},
          {"Redo", "redo", "<Control><Shift>z"},
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
        {"View",
         {{"Zoom In", "zoom-in", "<Control>equal"},
          {"Zoom Out", "zoom-out", "<Control>minus"},
          {"Normal Size", "zoom-normal", "<Control>0"},
          {"Fit", "zoom-fit", "<Control>9"}}},
        {"Connector",
         {{"Dependency", "connect-dependency"},
          {"Association", "connect-association"},
          {"Aggregation", "connect-aggregation"},
          {"Composition", "connect-composition"},
          {"Realization", "connect-realization"}}},
        {"Help", {{"Manual", "manual", "F1"}, {"Version info.", "version"}}},
    };
    return table;
}

}  // namespace

MenuBar::MenuBar(std::shared_ptr<Ctrl::INamedActionHandler> named_action)
    : NamedActionBar(std::move(named_action)), m_accel_group(Gtk::AccelGroup::create()) {
    for (const auto& [title, entries] : menus()) {
        auto* top = Gtk::make_managed<Gtk::MenuItem>(title, false);
        auto* menu = Gtk::make_managed<Gtk::Menu>();
        menu->set_accel_group(m_accel_group);
        for (const Entry& e : entries) {
            if (e.label == nullptr) {
                menu->append(*Gtk::make_managed<Gtk::SeparatorMenuItem>());
                continue;
            }
            if (e.action_name == std::string(OPEN_RECENT)) {
                menu->append(*new_recent_item(e.label));
                continue;
            }
            auto* item = Gtk::make_managed<MenuItem>(e.label, e.action_name, entry_callback());
            if (e.accel != nullptr) {
                guint key = 0;
                GdkModifierType mods{};
                gtk_accelerator_parse(e.accel, &key, &mods);
                item->add_accelerator("activate", m_accel_group, key,
                                      static_cast<Gdk::ModifierType>(mods), Gtk::ACCEL_VISIBLE);
                m_shortcuts.push_back({e.action_name, e.accel});
            }
            menu->append(*item);
        }
        top->set_submenu(*menu);
        append(*top);
    }
    refresh();
}

Gtk::MenuItem* MenuBar::new_recent_item(const char* label) {
    auto* item = Gtk::make_managed<Gtk::MenuItem>(label, false);
    auto* recent = Gtk::make_managed<Gtk::RecentChooserMenu>();
    // Only what this program opened or saved, newest first.
    auto filter = Gtk::RecentFilter::create();
    filter->add_application(Glib::get_application_name());
    recent->add_filter(filter);
    recent->set_sort_type(Gtk::RECENT_SORT_MRU);
    recent->set_show_not_found(false);
    recent->set_local_only(true);
    Gtk::RecentChooserMenu* chooser = recent;
    recent->signal_item_activated().connect([this, chooser] {
        const std::string uri = chooser->get_current_uri();
        if (auto* window = dynamic_cast<Gtk::ApplicationWindow*>(get_toplevel())) {
            window->activate_action("open-recent", Glib::Variant<Glib::ustring>::create(uri));
        }
    });
    item->set_submenu(*recent);
    return item;
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

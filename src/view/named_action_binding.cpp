#include "view/named_action_binding.hpp"

#include <glibmm/variant.h>
#include <gtkmm/applicationwindow.h>

#include "common/log.hpp"

namespace View {

NamedActionBinding::NamedActionBinding(Gtk::Widget& bar,
                                       std::function<void(const Ctrl::NameSet&)> enable)
    : m_bar(bar), m_enable(std::move(enable)) {}

NamedActionBinding::~NamedActionBinding() {
    m_handler_connection.disconnect();
}

void NamedActionBinding::set_handler(std::shared_ptr<Ctrl::INamedActionHandler> handler) {
    LX_RETURN_IF_FAIL(handler != nullptr);
    m_handler_connection.disconnect();
    m_handler = std::move(handler);
    m_handler_connection = m_handler->signal_update_actionable_name_sig().connect(
        [this](const Ctrl::NameSet& names) { m_enable(names); });
    m_signal_handler_changed.emit();
}

void NamedActionBinding::refresh() {
    if (m_handler) {
        m_enable(m_handler->enum_actionable_name());
    }
}

void NamedActionBinding::run(const std::string& action_name) {
    if (!m_handler) {
        return;
    }
    auto* group = dynamic_cast<Gio::ActionGroup*>(m_bar.get_toplevel());
    m_handler->action_with_glib(group, action_name);
}

void NamedActionBinding::run_export() {
    if (auto* window = dynamic_cast<Gtk::ApplicationWindow*>(m_bar.get_toplevel())) {
        window->activate_action("export-png", Glib::Variant<Glib::ustring>::create(""));
    }
}

void NamedActionBinding::activate_entry(const std::string& action_name) {
    if (action_name == "export-png") {
        run_export();
    } else {
        run(action_name);
    }
}

}  // namespace View

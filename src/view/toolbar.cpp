#include "view/toolbar.hpp"

#include <cstring>
#include <vector>

#include <glibmm/variant.h>
#include <gtkmm/applicationwindow.h>
#include <gtkmm/image.h>
#include <gtkmm/separatortoolitem.h>

#include "common/log.hpp"
#include "view/application.hpp"

namespace View {

Glib::RefPtr<Gdk::Pixbuf> recolor_icon(const Glib::RefPtr<const Gdk::Pixbuf>& src, bool enabled) {
    Glib::RefPtr<Gdk::Pixbuf> img = src->copy();
    if (!img->get_has_alpha()) {
        // Without an alpha channel the whole square is the silhouette.
        img = img->add_alpha(false, 0, 0, 0);
    }
    const guint8 r = enabled ? 255 : 128;
    const guint8 g = 128;
    const guint8 b = enabled ? 0 : 128;
    guint8* pixels = img->get_pixels();
    const int stride = img->get_rowstride();
    const int channels = img->get_n_channels();
    for (int y = 0; y < img->get_height(); ++y) {
        guint8* p = pixels + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < img->get_width(); ++x, p += channels) {
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    }
    return img;
}

ToolButton::ToolButton(const std::string& tooltip_text, const std::string& action_name,
                       Callback callback)
    : m_action_name(action_name), m_callback(std::move(callback)) {
    set_tooltip_text(tooltip_text);
    // Connected before the first change so the initial grey icon is made too.
    property_sensitive().signal_changed().connect(
        sigc::mem_fun(*this, &ToolButton::on_update_sensitive));
    set_sensitive(false);
}

void ToolButton::on_clicked() {
    Gtk::ToolButton::on_clicked();
    if (m_callback) {
        m_callback(m_action_name);
    }
}

void ToolButton::on_update_sensitive() {
    register_resources();
    Glib::RefPtr<Gdk::Pixbuf> icon;
    try {
        icon = Gdk::Pixbuf::create_from_resource("/org/gtk/lattrix/" + m_action_name + ".png", 16,
                                                 16, true);
    } catch (const Glib::Error& e) {
        LX_DEBUG("%s", e.what().c_str());
        return;
    }
    auto recolored = recolor_icon(icon, get_sensitive());
    if (auto* image = dynamic_cast<Gtk::Image*>(get_icon_widget())) {
        image->set(recolored);
    } else {
        auto* widget = Gtk::make_managed<Gtk::Image>(recolored);
        widget->show();
        set_icon_widget(*widget);
    }
}

namespace {

struct Button {
    const char* tooltip;  // nullptr: a rule
    const char* action_name;
};

const std::vector<Button>& buttons() {
    static const std::vector<Button> table = {
        {"New", "new-file"},
        {"Open", "open-file"},
        {"Save", "save-file"},
        {"Export image", "export-png"},
        {nullptr, nullptr},
        {"Undo", "undo"},
        {"Redo", "redo"},
        {nullptr, nullptr},
        {"Copy", "copy"},
        {"Cut", "cut"},
        {"Paste", "paste"},
        {nullptr, nullptr},
        {"Insert class element", "insert-class"},
        {"Delete class element", "delete-class"},
        {"Insert block in class", "insert-block"},
        {"Delete block in class", "delete-block"},
        {nullptr, nullptr},
        {"Insert row", "insert-row"},
        {"Insert column", "insert-col"},
        {"Delete row", "delete-row"},
        {"Delete column", "delete-col"},
        {nullptr, nullptr},
        {"Connect as association", "connect-association"},
        {"Connect as dependency", "connect-dependency"},
        {"Connect as generalization", "connect-generalization"},
        {"Connect as aggregation", "connect-aggregation"},
        {"Connect as composition", "connect-composition"},
        {nullptr, nullptr},
        {"Help", "manual"},
    };
    return table;
}

}  // namespace

ToolBar::ToolBar(std::shared_ptr<Ctrl::INamedActionHandler> named_action) {
    set_named_action(std::move(named_action));
    for (const Button& b : buttons()) {
        if (b.tooltip == nullptr) {
            append(*Gtk::make_managed<Gtk::SeparatorToolItem>());
            continue;
        }
        ToolButton::Callback cb;
        if (std::string(b.action_name) == "export-png") {
            cb = [this](const std::string&) { on_click_export(); };
        } else {
            cb = [this](const std::string& name) { on_click_tool_btn(name); };
        }
        append(*Gtk::make_managed<ToolButton>(b.tooltip, b.action_name, std::move(cb)));
    }
    if (m_named_action) {
        on_update_actionable_name(m_named_action->enum_actionable_name());
    }
}

ToolBar::~ToolBar() {
    m_named_action_connection.disconnect();
}

void ToolBar::set_named_action(std::shared_ptr<Ctrl::INamedActionHandler> named_action) {
    LX_RETURN_IF_FAIL(named_action != nullptr);
    m_named_action_connection.disconnect();
    m_named_action = std::move(named_action);
    m_named_action_connection = m_named_action->signal_update_actionable_name_sig().connect(
        sigc::mem_fun(*this, &ToolBar::on_update_actionable_name));
    m_signal_named_action_changed.emit();
}

void ToolBar::on_update_actionable_name(const Ctrl::NameSet& actionable_name_set) {
    foreach_tool_btn([&](ToolButton& btn) {
        btn.set_sensitive(Ctrl::is_actionable(actionable_name_set, btn.action_name()));
        return true;
    });
}

void ToolBar::foreach_tool_btn(const std::function<bool(ToolButton&)>& fn) {
    for (Gtk::Widget* child : get_children()) {
        if (auto* btn = dynamic_cast<ToolButton*>(child)) {
            if (!fn(*btn)) {
                return;
            }
        }
    }
}

void ToolBar::on_click_tool_btn(const std::string& action_name) {
    if (!m_named_action) {
        return;
    }
    auto* group = dynamic_cast<Gio::ActionGroup*>(get_toplevel());
    m_named_action->action_with_glib(group, action_name);
}

void ToolBar::on_click_export() {
    if (auto* window = dynamic_cast<Gtk::ApplicationWindow*>(get_toplevel())) {
        window->activate_action("export-png", Glib::Variant<Glib::ustring>::create(""));
    }
}

}  // namespace View

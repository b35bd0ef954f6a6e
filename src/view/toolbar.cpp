#include "view/toolbar.hpp"

#include <cstring>
#include <vector>

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
    // The bar shows icons only; the label is what the overflow menu of a
    // narrow window reads.
    set_label(tooltip_text);
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
        {"Connect as realization", "connect-realization"},
        {"Connect as aggregation", "connect-aggregation"},
        {"Connect as composition", "connect-composition"},
        {nullptr, nullptr},
        {"Help", "manual"},
    };
    return table;
}

}  // namespace

ToolBar::ToolBar(std::shared_ptr<Ctrl::INamedActionHandler> named_action)
    : NamedActionBar(std::move(named_action)) {
    set_toolbar_style(Gtk::TOOLBAR_ICONS);
    for (const Button& b : buttons()) {
        if (b.tooltip == nullptr) {
            append(*Gtk::make_managed<Gtk::SeparatorToolItem>());
            continue;
        }
        append(*Gtk::make_managed<ToolButton>(b.tooltip, b.action_name, entry_callback()));
    }
    refresh();
}

void ToolBar::foreach_entry(const std::function<bool(ToolButton&)>& fn) {
    for (Gtk::Widget* child : get_children()) {
        if (auto* btn = dynamic_cast<ToolButton*>(child)) {
            if (!fn(*btn)) {
                return;
            }
        }
    }
}

}  // namespace View

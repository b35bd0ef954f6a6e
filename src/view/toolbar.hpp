#pragma once

#include <functional>
#include <memory>
#include <string>

#include <gdkmm/pixbuf.h>
#include <glibmm/refptr.h>
#include <gtkmm/toolbar.h>
#include <gtkmm/toolbutton.h>
#include <sigc++/connection.h>
#include <sigc++/signal.h>

#include "ctrl/named_action_handler.hpp"
#include "view/named_action_binding.hpp"

namespace View {

// A flat silhouette of src's alpha channel: orange (255, 128, 0) when
// enabled, grey (128, 128, 128) when not. src is left unchanged.
Glib::RefPtr<Gdk::Pixbuf> recolor_icon(const Glib::RefPtr<const Gdk::Pixbuf>& src, bool enabled);

// A tool button that runs a named action; its icon is the resource named
// after the action, recoloured whenever its sensitivity changes.
class ToolButton : public Gtk::ToolButton {
  public:
    using Callback = std::function<void(const std::string& action_name)>;

    // Starts disabled (grey) until the bar learns which names are actionable.
    ToolButton(const std::string& tooltip_text, const std::string& action_name, Callback callback);

    const std::string& action_name() const { return m_action_name; }
    // Reloads the icon at 16x16 and recolours it for the current state.
    void on_update_sensitive();

  protected:
    void on_clicked() override;

  private:
    std::string m_action_name;
    Callback m_callback;
};

// The tool bar over a named-action handler.
class ToolBar : public NamedActionBar<Gtk::Toolbar, ToolButton> {
  public:
    explicit ToolBar(std::shared_ptr<Ctrl::INamedActionHandler> named_action);

    void foreach_entry(const std::function<bool(ToolButton&)>& fn) override;
    void foreach_tool_btn(const std::function<bool(ToolButton&)>& fn) { foreach_entry(fn); }

    void on_click_tool_btn(const std::string& action_name) { run_named_action(action_name); }
    void on_click_export() { run_export(); }
};

}  // namespace View

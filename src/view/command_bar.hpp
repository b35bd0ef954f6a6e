#pragma once

#include <memory>
#include <string>

#include <cairomm/context.h>
#include <gtkmm/drawingarea.h>
#include <pangomm/layout.h>
#include <sigc++/connection.h>

#include "render/drawer_context.hpp"
#include "render/drawers/filling_drawer.hpp"
#include "render/drawers/text_drawer.hpp"

namespace Model {
class Workspace;
}
namespace Ctrl {
class CmdCtrl;
class Context;
}  // namespace Ctrl

namespace View {

// The strip under the canvas: the current mode's name, or the prompt and
// the command line while a command is typed. It owns the command-line
// controller that edits and runs the commands.
class CommandBar : public Gtk::DrawingArea {
  public:
    // main_ctrl is owned by the main window and outlives the bar.
    CommandBar(std::shared_ptr<Model::Workspace> ws, Ctrl::Context& main_ctrl);
    ~CommandBar() override;

    const std::shared_ptr<Ctrl::CmdCtrl>& get_cmd_ctrl() const { return m_cmd_ctrl; }
    const std::shared_ptr<DrawerContext>& get_dc() const { return m_dc; }
    // What the right end shows: the canvas's zoom level ("50 %"), or
    // nothing at 100 %.
    std::string get_zoom_text() const;

  protected:
    bool on_configure_event(GdkEventConfigure* event) override;
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

  private:
    std::shared_ptr<Ctrl::CmdCtrl> m_cmd_ctrl;
    std::shared_ptr<DrawerContext> m_dc;
    std::shared_ptr<FillingDrawer> m_filling_drawer;
    std::shared_ptr<TextDrawer> m_text_drawer;
    // Owned by the main window, which outlives the bar.
    Ctrl::Context& m_main_ctrl;
    Glib::RefPtr<Pango::Layout> m_zoom_layout;
    sigc::connection m_zoom_connection;
};

}  // namespace View

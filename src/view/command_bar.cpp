#include "view/command_bar.hpp"

#include <cmath>
#include <optional>

#include <pangomm/attrlist.h>

#include "ctrl/cmd_ctrl.hpp"
#include "ctrl/context.hpp"
#include "ctrl/text_editor.hpp"
#include "render/color_map.hpp"
#include "view/canvas.hpp"

namespace View {

CommandBar::CommandBar(std::shared_ptr<Model::Workspace> ws, Ctrl::Context& main_ctrl)
    : m_main_ctrl(main_ctrl) {
    m_cmd_ctrl = Ctrl::CmdCtrl::create(std::move(ws), *this, main_ctrl);
    set_size_request(20, 20);
    set_hexpand(true);
    set_vexpand(false);
    set_can_focus(true);
    m_dc = std::make_shared<DrawerContext>();
    m_dc->set_color_map(std::make_shared<ColorMap>());
    m_filling_drawer = std::make_shared<FillingDrawer>(m_dc, Rgba(0.0, 0.0, 0.0, 1.0));
    m_text_drawer = std::make_shared<TextDrawer>(m_dc);
    m_zoom_layout = m_cmd_ctrl->new_pango_layout();
    m_zoom_connection =
        m_main_ctrl.get_canvas().signal_zoom_changed().connect([this] { queue_draw(); });
}

std::string CommandBar::get_zoom_text() const {
    const long percent = std::lround(m_main_ctrl.get_canvas().get_zoom() * 100.0);
    return percent == 100 ? std::string() : std::to_string(percent) + " %";
}

CommandBar::~CommandBar() {
    m_zoom_connection.disconnect();
    // The controller holds this widget by reference: it goes first.
    m_cmd_ctrl.reset();
}

bool CommandBar::on_configure_event(GdkEventConfigure* /*event*/) {
    configure_widget(*m_dc, *this);
    return true;
}

bool CommandBar::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    if (!m_dc->get_surface()) {
        return false;
    }
    auto region = m_dc->get_region();
    m_filling_drawer->draw(region);
    TextDrawer& text = *m_text_drawer;
    text.set_pos(Point(0, 0));
    text.set_is_cursor_shown(false);
    text.set_preedit_attrs(std::nullopt);
    const auto& editor = m_cmd_ctrl->text_editor;
    if (!editor) {
        text.set_layout(m_cmd_ctrl->line_layout);
        text.draw(region);
    } else {
        text.set_layout(m_cmd_ctrl->prompt_layout);
        text.draw(region);
        int prompt_width = m_cmd_ctrl->prompt_layout->get_logical_extents().get_width() / 1024;
        text.set_pos(Point(prompt_width, 0));
        text.set_layout(editor->get_layout());
        text.set_is_cursor_shown(true);
        text.set_cursor_index(editor->get_cursor_index());
        if (editor->get_preedit_attrs() != nullptr) {
            text.set_preedit_attrs(Pango::AttrList(editor->get_preedit_attrs(), true));
        }
        text.set_preedit_pos(editor->get_preedit_pos());
        text.draw(region);
        // A second Tab's candidates follow the line, apart from it.
        if (!m_cmd_ctrl->get_candidates().empty()) {
            const int line_width = editor->get_layout()->get_logical_extents().get_width() / 1024;
            m_zoom_layout->set_text(m_cmd_ctrl->get_candidates());
            text.set_layout(m_zoom_layout);
            text.set_pos(Point(prompt_width + line_width + 24, 0));
            text.set_is_cursor_shown(false);
            text.set_preedit_attrs(std::nullopt);
            text.draw(region);
        }
    }
    const std::string zoom = get_zoom_text();
    if (!zoom.empty()) {
        m_zoom_layout->set_text(zoom);
        const int width = m_zoom_layout->get_logical_extents().get_width() / 1024;
        text.set_layout(m_zoom_layout);
        text.set_pos(Point(m_dc->get_width() - width - 4, 0));
        text.set_is_cursor_shown(false);
        text.set_preedit_attrs(std::nullopt);
        text.draw(region);
    }
    cr->set_source(m_dc->get_surface(), 0, 0);
    cr->paint();
    return false;
}

}  // namespace View

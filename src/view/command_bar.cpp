#include "view/command_bar.hpp"

#include <pangomm/fontdescription.h>
#include <pangomm/layout.h>

namespace View {

CommandBar::CommandBar() {
    set_size_request(20, 20);
    set_hexpand(true);
    set_vexpand(false);
    set_can_focus(true);
}

CommandBar::~CommandBar() = default;

void CommandBar::set_text(const std::string& text) {
    if (m_text == text) {
        return;
    }
    m_text = text;
    queue_draw();
}

bool CommandBar::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    cr->set_source_rgba(0.0, 0.0, 0.0, 1.0);
    cr->paint();
    if (!m_text.empty()) {
        auto layout = create_pango_layout(m_text);
        layout->set_font_description(Pango::FontDescription("Sans 16px"));
        cr->set_source_rgba(0xee / 255.0, 0xee / 255.0, 0xee / 255.0, 1.0);
        cr->move_to(0, 0);
        layout->show_in_cairo_context(cr);
    }
    return false;
}

}  // namespace View

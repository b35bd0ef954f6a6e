#pragma once

#include <string>

#include <cairomm/context.h>
#include <gtkmm/drawingarea.h>

namespace View {

// The strip under the canvas: the current mode's name, or the command line
// while a command is typed.
class CommandBar : public Gtk::DrawingArea {
  public:
    CommandBar();
    ~CommandBar() override;

    // The text shown on the bar (the mode name, or a short message).
    void set_text(const std::string& text);
    const std::string& get_text() const { return m_text; }

  protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

  private:
    std::string m_text;
};

}  // namespace View

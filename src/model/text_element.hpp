#pragma once

#include <string>

#include <pangomm/layout.h>

#include "common/text_range.hpp"
#include "model/element.hpp"

namespace Model {

enum class Align { LEFT = 0, CENTER = 1, RIGHT = 2 };
std::string to_string(Align a);
const char* to_nick(Align a);

// One piece of text, measured once per change by its ink extents.
class TextElement : public Element {
  public:
    explicit TextElement(std::shared_ptr<ElementContext> elem_context);

    const std::string& get_text() const { return m_text; }
    // Measures the text: the size reaches to the right and bottom ink edge;
    // while it is edited, also to the edges of every line, empty ones and
    // trailing spaces included, and a caret's width beyond, so the box
    // holds the caret wherever it stands.
    void set_text(const std::string& text);
    // Starts or ends editing, measuring the text again for it.
    void set_editing(bool editing);
    static constexpr double CARET_WIDTH = 2.0;
    sigc::signal<void()>& signal_text_changed() { return m_signal_text_changed; }

    Rectangle get_rect() const override { return m_rect; }
    // Places the text in box by align horizontally, centred vertically;
    // the size is unchanged.
    void layout(const Rectangle& box) override;

    // One element named by tag whose content is the text.
    bool write(SerializingWriter& writer) override;
    // Reads the next element named by tag; when there is none the text
    // becomes empty.
    bool read(SerializingReader& reader) override;

    Glib::RefPtr<Pango::Layout> pango_layout;
    Align align = Align::LEFT;
    // Kept by the in-class editing modes: byte index of the cursor,
    // whether this is the element being edited, and the selected bytes.
    int cursor_index = 0;
    bool is_editing = false;
    TextRange text_range{0, 0};
    // The document element name under which the text is stored.
    std::string tag = "text";

  private:
    void measure();

    std::string m_text;
    Rectangle m_rect;
    sigc::signal<void()> m_signal_text_changed;
};

}  // namespace Model

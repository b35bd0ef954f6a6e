#include "model/text_element.hpp"

#include <algorithm>

namespace Model {

std::string to_string(Align a) {
    switch (a) {
        case Align::LEFT:
            return "MODEL_ALIGN_LEFT";
        case Align::CENTER:
            return "MODEL_ALIGN_CENTER";
        case Align::RIGHT:
            return "MODEL_ALIGN_RIGHT";
    }
    return "";
}

const char* to_nick(Align a) {
    switch (a) {
        case Align::LEFT:
            return "left";
        case Align::CENTER:
            return "center";
        case Align::RIGHT:
            return "right";
    }
    return "";
}

TextElement::TextElement(std::shared_ptr<ElementContext> elem_context)
    : Element(std::move(elem_context)) {
    pango_layout = get_elem_context()->get_pango_layout_factory().new_pango_layout();
}

void TextElement::set_text(const std::string& text) {
    m_text = text;
    pango_layout->set_text(m_text);
    measure();
    m_signal_text_changed.emit();
}

void TextElement::set_editing(bool editing) {
    if (is_editing == editing) {
        return;
    }
    is_editing = editing;
    measure();
}

void TextElement::measure() {
    Pango::Rectangle ink, logical;
    pango_layout->get_pixel_extents(ink, logical);
    // Measured to the far ink edges from the layout origin, so the text's
    // left and top bearings are part of its size.
    // Text without ink (empty or blank) measures 0 x 0; Pango still places
    // its empty ink box on the baseline.
    if (ink.get_width() <= 0 || ink.get_height() <= 0) {
        m_rect.width = 0.0;
        m_rect.height = 0.0;
    } else {
        m_rect.width = ink.get_x() + ink.get_width();
        m_rect.height = ink.get_y() + ink.get_height();
    }
    if (is_editing) {
        // The caret may stand after the last space or on an empty last
        // line; those have no ink but do have their line's logical box.
        m_rect.width =
            std::max<double>(m_rect.width, logical.get_x() + logical.get_width()) + CARET_WIDTH;
        m_rect.height = std::max<double>(m_rect.height, logical.get_y() + logical.get_height());
    }
}

void TextElement::layout(const Rectangle& box) {
    switch (align) {
        case Align::LEFT:
            m_rect.x = box.x;
            break;
        case Align::CENTER:
            m_rect.x = box.x + (box.width - m_rect.width) / 2.0;
            break;
        case Align::RIGHT:
            m_rect.x = box.x + box.width - m_rect.width;
            break;
    }
    m_rect.y = box.y + (box.height - m_rect.height) / 2.0;
}

bool TextElement::write(SerializingWriter& writer) {
    bool failed = writer.start_element(tag);
    failed |= writer.write_text(m_text);
    failed |= writer.end_element();
    return !failed;
}

bool TextElement::read(SerializingReader& reader) {
    if (!reader.skip_to_element(tag)) {
        set_text("");
        return false;
    }
    set_text(reader.get_text());
    return true;
}

}  // namespace Model

#pragma once

#include <functional>
#include <memory>

#include "model/element.hpp"
#include "model/text_element.hpp"

namespace Model {

// A UML class box: a name and up to two blocks of text (attributes and
// operations) stacked in one column, each framed by 5 pixels on every side.
class ClassElement : public Element {
  public:
    static constexpr double TEXT_MARGIN = 10.0;  // per text, both sides together

    explicit ClassElement(std::shared_ptr<ElementContext> elem_context);

    // 0 name, 1 block 1, 2 block 2; 0 for an element that is none of these.
    int get_text_elem_index(const TextElement* text_elem) const;
    // Null for an index other than 0, 1 or 2.
    std::shared_ptr<TextElement> get_text_elem_at(int index) const;
    // Name, then the shown blocks; stops at a false answer.
    bool foreach_shown_text_elem(const std::function<bool(TextElement&)>& fn) const;
    // The shown text element above / below now_text_elem, or null.
    std::shared_ptr<TextElement> get_upper_text_elem() const;
    std::shared_ptr<TextElement> get_lower_text_elem() const;

    // Show a block (1 or 2) or hide one; false when refused (both blocks
    // already shown, none shown, or a bad index), and nothing changes.
    bool insert_block(int index);
    bool rm_block(int index);

    // The horizontal bands of the box. Block 2's band starts below block 1's
    // band whether block 1 is shown or not.
    Rectangle get_name_div_rect() const;
    Rectangle get_block1_div_rect() const;
    Rectangle get_block2_div_rect() const;
    // The shown text whose band holds pt (relative to the cell, as the
    // texts' rectangles are), so an empty text can be clicked too; null
    // outside the box.
    std::shared_ptr<TextElement> get_text_elem_at_xy(const Point& pt) const;

    // The size is computed from the shown texts on every read; x and y are
    // those of the last layout.
    Rectangle get_rect() const override;
    // The least width and height the connector ends on the box's sides need
    // to lie apart. Worked out by the workspace from the routes and never
    // saved. The box grows to it; the texts keep their sizes and bands, and
    // the extra room is left empty to the right and at the bottom. True when
    // it changed.
    bool set_end_room(double width, double height);
    // Centres the box in box and places the texts in their bands.
    void layout(const Rectangle& box) override;

    // "class" with its uid, "name", then "block1" / "block2" when shown.
    bool write(SerializingWriter& writer) override;
    bool read(SerializingReader& reader) override;

    std::shared_ptr<TextElement> name_elem;
    std::shared_ptr<TextElement> block1_elem;
    std::shared_ptr<TextElement> block2_elem;
    bool block1_shown = false;
    bool block2_shown = false;
    // The text element holding the editing cursor; one of the three.
    std::shared_ptr<TextElement> now_text_elem;

  private:
    mutable Rectangle m_rect;
    double m_end_room_width = 0.0;
    double m_end_room_height = 0.0;
};

}  // namespace Model

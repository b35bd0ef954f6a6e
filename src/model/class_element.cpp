#include "model/class_element.hpp"

#include <algorithm>

#include "common/log.hpp"

namespace Model {

namespace {

constexpr const char* NEW_TEXT = "no name";

std::shared_ptr<TextElement> new_text_elem(const std::shared_ptr<ElementContext>& ctx,
                                           const char* tag, Align align) {
    auto elem = std::make_shared<TextElement>(ctx);
    elem->tag = tag;
    elem->align = align;
    elem->set_text(NEW_TEXT);
    return elem;
}

}  // namespace

ClassElement::ClassElement(std::shared_ptr<ElementContext> elem_context)
    : Element(std::move(elem_context)) {
    name_elem = new_text_elem(get_elem_context(), "name", Align::CENTER);
    block1_elem = new_text_elem(get_elem_context(), "block1", Align::LEFT);
    block2_elem = new_text_elem(get_elem_context(), "block2", Align::LEFT);
    now_text_elem = name_elem;
}

int ClassElement::get_text_elem_index(const TextElement* text_elem) const {
    LX_RETURN_VAL_IF_FAIL(text_elem != nullptr, 0);
    if (text_elem == block1_elem.get()) {
        return 1;
    }
    if (text_elem == block2_elem.get()) {
        return 2;
    }
    return 0;
}

std::shared_ptr<TextElement> ClassElement::get_text_elem_at(int index) const {
    switch (index) {
        case 0:
            return name_elem;
        case 1:
            return block1_elem;
        case 2:
            return block2_elem;
        default:
            return nullptr;
    }
}

bool ClassElement::foreach_shown_text_elem(const std::function<bool(TextElement&)>& fn) const {
    if (!fn(*name_elem)) {
        return false;
    }
    if (block1_shown && !fn(*block1_elem)) {
        return false;
    }
    if (block2_shown && !fn(*block2_elem)) {
        return false;
    }
    return true;
}

std::shared_ptr<TextElement> ClassElement::get_upper_text_elem() const {
    if (now_text_elem == block1_elem) {
        return name_elem;
    }
    if (now_text_elem == block2_elem) {
        return block1_shown ? block1_elem : name_elem;
    }
    return nullptr;
}

std::shared_ptr<TextElement> ClassElement::get_lower_text_elem() const {
    if (now_text_elem == name_elem) {
        if (block1_shown) {
            return block1_elem;
        }
        return block2_shown ? block2_elem : nullptr;
    }
    if (now_text_elem == block1_elem) {
        return block2_shown ? block2_elem : nullptr;
    }
    return nullptr;
}

bool ClassElement::insert_block(int index) {
    if (block1_shown && block2_shown) {
        return false;
    }
    switch (index) {
        case 1:
            if (!block1_shown) {
                block1_elem->set_text("");
                block1_shown = true;
            } else {
                block2_elem->set_text(block1_elem->get_text());
                block1_elem->set_text("");
                block2_shown = true;
            }
            return true;
        case 2:
            block2_elem->set_text("");
            block2_shown = true;
            return true;
        default:
            return false;
    }
}

bool ClassElement::rm_block(int index) {
    if (!block1_shown && !block2_shown) {
        return false;
    }
    switch (index) {
        case 1:
            if (!block2_shown) {
                block1_elem->set_text("");
                block1_shown = false;
            } else {
                block1_elem->set_text(block2_elem->get_text());
                block2_elem->set_text("");
                block2_shown = false;
            }
            return true;
        case 2:
            block2_elem->set_text("");
            block2_shown = false;
            return true;
        default:
            return false;
    }
}

Rectangle ClassElement::get_name_div_rect() const {
    Rectangle r = get_rect();
    return Rectangle(r.x, r.y, r.width, name_elem->get_rect().height + TEXT_MARGIN);
}

Rectangle ClassElement::get_block1_div_rect() const {
    Rectangle r = get_rect();
    double name_h = name_elem->get_rect().height + TEXT_MARGIN;
    return Rectangle(r.x, r.y + name_h, r.width, block1_elem->get_rect().height + TEXT_MARGIN);
}

Rectangle ClassElement::get_block2_div_rect() const {
    Rectangle r = get_rect();
    double name_h = name_elem->get_rect().height + TEXT_MARGIN;
    // A hidden block 1 takes no room in the box (get_rect counts only shown
    // texts); counting its band here would push block 2 out of the box.
    double block1_h = block1_shown ? block1_elem->get_rect().height + TEXT_MARGIN : 0.0;
    return Rectangle(r.x, r.y + name_h + block1_h, r.width,
                     block2_elem->get_rect().height + TEXT_MARGIN);
}

std::shared_ptr<TextElement> ClassElement::get_text_elem_at_xy(const Point& pt) const {
    if (get_name_div_rect().contains_xy(pt)) {
        return name_elem;
    }
    if (block1_shown && get_block1_div_rect().contains_xy(pt)) {
        return block1_elem;
    }
    if (block2_shown && get_block2_div_rect().contains_xy(pt)) {
        return block2_elem;
    }
    return nullptr;
}

Rectangle ClassElement::get_rect() const {
    double width = 0.0;
    double height = 0.0;
    foreach_shown_text_elem([&](TextElement& text) {
        Rectangle tr = text.get_rect();
        width = std::max(width, tr.width + TEXT_MARGIN);
        height += tr.height + TEXT_MARGIN;
        return true;
    });
    m_rect.width = std::max(width, m_end_room_width);
    m_rect.height = std::max(height, m_end_room_height);
    return m_rect;
}

bool ClassElement::set_end_room(double width, double height) {
    if (width == m_end_room_width && height == m_end_room_height) {
        return false;
    }
    m_end_room_width = width;
    m_end_room_height = height;
    return true;
}

void ClassElement::layout(const Rectangle& box) {
    Rectangle r = get_rect();
    m_rect.x = box.x + (box.width - r.width) / 2.0;
    m_rect.y = box.y + (box.height - r.height) / 2.0;
    name_elem->layout(get_name_div_rect().expand(-TEXT_MARGIN));
    if (block1_shown) {
        block1_elem->layout(get_block1_div_rect().expand(-TEXT_MARGIN));
    }
    if (block2_shown) {
        block2_elem->layout(get_block2_div_rect().expand(-TEXT_MARGIN));
    }
}

bool ClassElement::write(SerializingWriter& writer) {
    bool ok = !writer.start_element("class");
    ok &= Element::write(writer);
    ok &= name_elem->write(writer);
    if (block1_shown) {
        ok &= block1_elem->write(writer);
    }
    if (block2_shown) {
        ok &= block2_elem->write(writer);
    }
    ok &= !writer.end_element();
    return ok;
}

bool ClassElement::read(SerializingReader& reader) {
    if (!reader.skip_to_element("class")) {
        return false;
    }
    Element::read(reader);
    bool subtree_ok = reader.foreach_subtree([this, &reader]() {
        if (!reader.is_start_element()) {
            return true;
        }
        const std::string name = reader.get_name();
        if (name == name_elem->tag) {
            name_elem->read(reader);
        } else if (name == block1_elem->tag) {
            block1_elem->read(reader);
            block1_shown = true;
        } else if (name == block2_elem->tag) {
            block2_elem->read(reader);
            block2_shown = true;
        }
        return true;
    });
    return subtree_ok && !reader.has_error();
}

}  // namespace Model

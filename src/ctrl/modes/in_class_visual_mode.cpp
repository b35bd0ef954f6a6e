#include <algorithm>
#include <cstdlib>
#include <iostream>

#include <gtkmm/clipboard.h>

#include "common/log.hpp"
#include "ctrl/actions.hpp"
#include "ctrl/context.hpp"
#include "ctrl/modes/in_class_modes.hpp"
#include "ctrl/modes/in_class_text.hpp"
#include "ctrl/text_editor.hpp"
#include "model/class_element.hpp"
#include "model/text_element.hpp"

namespace Ctrl {

namespace {

int text_length(const Model::TextElement& elem) {
    return static_cast<int>(elem.get_text().size());
}

}  // namespace

VisualModeInClass::VisualModeInClass(Context& ctrl) : AbstractModeInClass(ctrl) {
    bind_text_moves();
    bind({"y", "<C-c>"}, [this] { return copy(); });
    // Inserts at the cursor; the selection is not replaced.
    bind({"p", "<C-v>"}, [this] { return paste(); });
    bind({"x"}, [this] { return del_range(); });
    bind({"<Esc>", "<C-[>"}, [this] { return change_to_the_mode<NormalModeInClass>(); });
    bind({"<S-Enter>"}, [this] { return add_block(); });
}

std::shared_ptr<TextEditor> VisualModeInClass::new_text_editor(
    const std::shared_ptr<Model::TextElement>& text_elem) {
    auto editor = AbstractModeInClass::new_text_editor(text_elem);
    if (editor) {
        editor->set_can_edit(false);
    }
    return editor;
}

void VisualModeInClass::set_cursor(TextRange& range, int a, int b) {
    range.start = std::min(a, b);
    range.end = std::max(a, b);
}

void VisualModeInClass::on_enter() {
    AbstractModeInClass::on_enter();
    if (!m_editing_klass || !m_editing_klass->now_text_elem) {
        return;
    }
    auto& active = m_editing_klass->now_text_elem;
    m_anchor_index = active->cursor_index;
    m_anchor_elem = active;
    m_is_selecting = true;
    active->text_range = TextRange(m_anchor_index, m_anchor_index);
}

void VisualModeInClass::on_exit() {
    AbstractModeInClass::on_exit();
    if (m_editing_klass) {
        // Hidden blocks too: a stale range must not be copied after the
        // block is shown again.
        for (int i = 0; i < 3; ++i) {
            if (auto elem = m_editing_klass->get_text_elem_at(i)) {
                elem->text_range = TextRange(0, 0);
            }
        }
    }
    m_anchor_elem.reset();
    m_is_selecting = false;
}

void VisualModeInClass::on_update_cb(const std::optional<std::string>& text, int cursor) {
    AbstractModeInClass::on_update_cb(text, cursor);
    if (m_editing_klass && m_editing_klass->now_text_elem) {
        set_cursor(m_editing_klass->now_text_elem->text_range, m_anchor_index, cursor);
    }
}

void VisualModeInClass::change_active_text_elem(
    const std::shared_ptr<Model::TextElement>& new_elem) {
    LX_RETURN_IF_FAIL(new_elem != nullptr);
    LX_RETURN_IF_FAIL(m_editing_klass != nullptr);
    auto old_elem = m_editing_klass->now_text_elem;
    // Entering the mode activates the element that is already active; the
    // selection starts afresh there.
    if (!old_elem || old_elem == new_elem || !m_text_editor) {
        AbstractModeInClass::change_active_text_elem(new_elem);
        return;
    }
    const int old_index = m_editing_klass->get_text_elem_index(old_elem.get());
    const int new_index = m_editing_klass->get_text_elem_index(new_elem.get());

    int new_anchor = 0;
    if (new_index < old_index) {
        // Upwards: the old element is selected from its start to the anchor.
        set_cursor(old_elem->text_range, m_anchor_index, 0);
        new_anchor =
            new_elem->text_range.size() <= 0 ? text_length(*new_elem) : new_elem->text_range.start;
    } else {
        // Downwards: from the anchor to the old element's end.
        set_cursor(old_elem->text_range, m_anchor_index, text_length(*old_elem));
        new_anchor = new_elem->text_range.size() <= 0 ? 0 : new_elem->text_range.end;
    }
    m_anchor_index = new_anchor;

    if (std::abs(new_index - old_index) > 1) {
        // Jumped over block 1: it lies wholly inside or wholly outside.
        auto& block1 = m_editing_klass->block1_elem;
        block1->text_range = old_elem->text_range.size() == 0 || !m_editing_klass->block1_shown
                                 ? TextRange(0, 0)
                                 : TextRange(0, text_length(*block1));
    }

    AbstractModeInClass::change_active_text_elem(new_elem);
    set_cursor(new_elem->text_range, m_anchor_index, new_elem->cursor_index);
}

bool VisualModeInClass::on_press_left_button(const Point& pt) {
    if (m_is_selecting) {
        return AbstractModeInClass::on_press_left_button(pt);
    }
    auto normal = m_ctrl.get_mode<NormalModeInClass>();
    change_to_the_mode<NormalModeInClass>();
    if (normal && m_ctrl.get_now_mode() == normal) {
        normal->take_over_from_the_mode(*this);
        normal->on_press_left_button(pt);
    }
    return true;
}

bool VisualModeInClass::on_drag_with_left_button(const Point&, const Point& now_pt) {
    if (!m_is_selecting) {
        return false;
    }
    AbstractModeInClass::on_press_left_button(now_pt);
    return true;
}

bool VisualModeInClass::on_release_left_button(const Point&) {
    m_is_selecting = false;
    return true;
}

bool VisualModeInClass::del_range() {
    if (!m_editing_klass) {
        return false;
    }
    auto action = std::make_shared<UpdateTextElementInACellAction>(get_ws(), m_editing_cell_pos);
    m_editing_klass->foreach_shown_text_elem([&](Model::TextElement& elem) {
        auto shared =
            m_editing_klass->get_text_elem_at(m_editing_klass->get_text_elem_index(&elem));
        // The cursor goes to where the selection was, whichever way it was
        // made, so it stays inside the shortened text.
        auto result = delete_text_range(elem.get_text(), elem.text_range, elem.cursor_index);
        action->set_update(shared, result.text);
        elem.cursor_index = result.cursor;
        return true;
    });
    // A text update always takes.
    static_cast<void>(run_action(action));
    return change_to_the_mode<NormalModeInClass>();
}

std::string VisualModeInClass::get_selected_text() const {
    if (!m_editing_klass) {
        return {};
    }
    const auto& k = *m_editing_klass;
    auto piece = [](const Model::TextElement& elem) {
        return slice_text_range(elem.get_text(), elem.text_range);
    };
    const int anchor = m_anchor_elem ? k.get_text_elem_index(m_anchor_elem.get()) : 0;
    const int active = k.now_text_elem ? k.get_text_elem_index(k.now_text_elem.get()) : 0;
    return join_selected_text(
        anchor, active, piece(*k.name_elem), k.block1_shown ? piece(*k.block1_elem) : std::string(),
        k.block2_shown ? piece(*k.block2_elem) : std::string(), k.block1_shown);
}

bool VisualModeInClass::copy() {
    if (!m_editing_klass) {
        return false;
    }
    const std::string text = get_selected_text();
    std::cout << text << std::endl;
    if (auto clipboard = Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD)) {
        clipboard->set_text(text);
    }
    return change_to_the_mode<NormalModeInClass>();
}

}  // namespace Ctrl

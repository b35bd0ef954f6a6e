#include "ctrl/modes/in_class_modes.hpp"

#include <algorithm>

#include <gtkmm/clipboard.h>

#include "common/log.hpp"
#include "ctrl/actions.hpp"
#include "ctrl/context.hpp"
#include "ctrl/ctrl_switcher.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "ctrl/modes/in_class_text.hpp"
#include "ctrl/text_editor.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/workspace.hpp"
#include "model/text_element.hpp"

namespace Ctrl {

AbstractModeInClass::AbstractModeInClass(Context& ctrl) : Mode(ctrl) {}

AbstractModeInClass::~AbstractModeInClass() {
    m_update_conn.disconnect();
    m_overstep_conn.disconnect();
}

bool AbstractModeInClass::get_is_enterable() const {
    return m_ctrl.class_at_cursor() != nullptr;
}

void AbstractModeInClass::on_enter() {
    auto klass = m_ctrl.class_at_cursor();
    if (!klass) {
        return;
    }
    m_editing_cell_pos = cursor();
    m_editing_klass = klass;
    change_active_text_elem(klass->now_text_elem);
}

void AbstractModeInClass::relayout_editing_cell() {
    // Only when the class is still the document's: after a new document or
    // a load the cell holds something else, or nothing.
    auto ws = m_ctrl.get_ws();
    if (!ws || !ws->get_element_cells() || !m_editing_klass ||
        ws->get_element_cells()->get(m_editing_cell_pos.h, m_editing_cell_pos.v) !=
            m_editing_klass) {
        return;
    }
    // Only the measure changed, not the document: a redraw, no "update".
    ws->update_layout(m_editing_cell_pos);
    m_ctrl.queue_redraw();
}

void AbstractModeInClass::set_editing_measure(bool on) {
    if (!m_editing_klass || !m_editing_klass->now_text_elem ||
        m_editing_klass->now_text_elem->is_editing == on) {
        return;
    }
    m_editing_klass->now_text_elem->set_editing(on);
    relayout_editing_cell();
}

void AbstractModeInClass::on_exit() {
    if (m_editing_klass && m_editing_klass->now_text_elem) {
        m_editing_klass->now_text_elem->set_editing(false);
        relayout_editing_cell();
    }
    m_update_conn.disconnect();
    m_overstep_conn.disconnect();
    m_text_editor.reset();
    m_ctrl.action_processor->set_head_mergeable(false);
}

std::shared_ptr<TextEditor> AbstractModeInClass::new_text_editor(
    const std::shared_ptr<Model::TextElement>& text_elem) {
    LX_RETURN_VAL_IF_FAIL(text_elem != nullptr, nullptr);
    return std::make_shared<TextEditor>(m_ctrl.get_canvas_widget(), text_elem->pango_layout,
                                        text_elem->cursor_index);
}

void AbstractModeInClass::change_active_text_elem(
    const std::shared_ptr<Model::TextElement>& text_elem) {
    LX_RETURN_IF_FAIL(text_elem != nullptr);
    LX_RETURN_IF_FAIL(m_editing_klass != nullptr);
    if (m_editing_klass->now_text_elem) {
        m_editing_klass->now_text_elem->set_editing(false);
    }
    m_editing_klass->now_text_elem = text_elem;
    text_elem->set_editing(true);
    relayout_editing_cell();
    // An undo or a block move may have shortened the text since the cursor
    // was last kept; a caret beyond the text must not be drawn or used.
    text_elem->cursor_index = fit_text_index(text_elem->get_text(), text_elem->cursor_index);

    m_update_conn.disconnect();
    m_overstep_conn.disconnect();
    m_text_editor = new_text_editor(text_elem);
    if (!m_text_editor) {
        return;
    }
    m_update_conn = m_text_editor->signal_update().connect(
        [this](const std::optional<std::string>& text, int cursor) { on_update_cb(text, cursor); });
    m_overstep_conn = m_text_editor->signal_overstep_cursor_limit().connect(
        [this](int c, int l, int x) { on_overstep_cursor_limit_cb(c, l, x); });
}

void AbstractModeInClass::on_update_cb(const std::optional<std::string>& text, int cursor) {
    if (!m_editing_klass || !m_editing_klass->now_text_elem) {
        return;
    }
    if (text && exceeds_text_limit(m_editing_klass->now_text_elem->get_text(), *text)) {
        refuse_text();
        return;
    }
    m_editing_klass->now_text_elem->cursor_index = cursor;
    if (text) {
        update_active_text(*text);
    }
}

void AbstractModeInClass::on_overstep_cursor_limit_cb(int char_overstep, int line_overstep,
                                                      int point_x) {
    LX_DEBUG("on_overstep_cursor_limit_cb");
    if (!m_editing_klass) {
        return;
    }
    std::shared_ptr<Model::TextElement> target;
    if (char_overstep < 0 || line_overstep < 0) {
        target = m_editing_klass->get_upper_text_elem();
    } else if (char_overstep >= 1 || line_overstep >= 1) {
        target = m_editing_klass->get_lower_text_elem();
    }
    if (!target) {
        return;
    }
    change_active_text_elem(target);
    with_editor([&](TextEditor& editor) {
        editor.take_over_cursor(char_overstep, line_overstep, point_x);
        return true;
    });
}

bool AbstractModeInClass::on_press_left_button(const Point& pt) {
    if (change_to_cell_mode_if_need(pt)) {
        return true;
    }
    if (!m_editing_klass) {
        return true;
    }
    Point local = pt;
    m_ctrl.translate_pt_wnd_to_cell(local);
    std::shared_ptr<Model::TextElement> hit = m_editing_klass->get_text_elem_at_xy(local);
    if (!hit) {
        return true;
    }
    if (hit != m_editing_klass->now_text_elem) {
        change_active_text_elem(hit);
    }
    const Rectangle rect = hit->get_rect();
    with_editor([&](TextEditor& editor) {
        return editor.move_cursor_at_xy(Point(local.x - rect.x, local.y - rect.y));
    });
    return true;
}

bool AbstractModeInClass::change_to_cell_mode_if_need(const Point& pt) {
    CellPos pos = m_ctrl.point_to_cell_pos(pt);
    if (pos == m_editing_cell_pos) {
        return false;
    }
    m_ctrl.set_cell_pos(pos);
    return change_to_the_mode<CellMode>();
}

bool AbstractModeInClass::paste() {
    if (!m_editing_klass || !m_editing_klass->now_text_elem) {
        return false;
    }
    auto clipboard = Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD);
    // Waits for the owner of the selection; no text gives the empty string.
    std::string pasted = clipboard ? std::string(clipboard->wait_for_text()) : std::string();
    // Waiting ran the main loop: the mode may have been left meanwhile.
    if (!m_editing_klass || !m_editing_klass->now_text_elem) {
        return false;
    }
    const auto& elem = m_editing_klass->now_text_elem;
    std::string text = elem->get_text();
    const int at = fit_text_index(text, elem->cursor_index);
    text.insert(static_cast<size_t>(at), pasted);
    update_active_text(text);
    return true;
}

bool AbstractModeInClass::add_block() {
    return m_editing_klass && run<InsertBlockInClass>(m_editing_cell_pos);
}

bool AbstractModeInClass::rm_block() {
    if (!m_editing_klass || !run<RemoveBlockInClass>(m_editing_cell_pos)) {
        return false;
    }
    // The active block may now be hidden, or hold the text of the block
    // that moved up into it: edit a shown element with a valid cursor.
    auto active = m_editing_klass->now_text_elem;
    bool shown = false;
    m_editing_klass->foreach_shown_text_elem([&](Model::TextElement& elem) {
        shown = shown || &elem == active.get();
        return !shown;
    });
    if (!shown) {
        auto upper = m_editing_klass->get_upper_text_elem();
        active = upper ? upper : m_editing_klass->name_elem;
    }
    AbstractModeInClass::change_active_text_elem(active);
    return true;
}

bool AbstractModeInClass::move_cursor(MovingDir dir) {
    switch (dir) {
        case MovingDir::UP:
            return move_line(-1);
        case MovingDir::DOWN:
            return move_line(1);
        case MovingDir::LEFT:
            return move_char(-1);
        case MovingDir::RIGHT:
            return move_char(1);
    }
    return true;
}

void AbstractModeInClass::bind_text_moves() {
    bind_moves([this](MovingDir dir) { return move_cursor(dir); });
    bind({"<CR>"}, [this] { return move_line(1); });
    bind({"<BS>"}, [this] { return move_char(-1); });
}

bool AbstractModeInClass::move_line(int n) {
    with_editor([n](TextEditor& editor) { return editor.move_line(n); });
    return true;
}

bool AbstractModeInClass::move_char(int n) {
    with_editor([n](TextEditor& editor) { return editor.move_char(n); });
    return true;
}

void AbstractModeInClass::refuse_text() {
    // The editor shows the edit already: the element's own text goes back
    // into the layout, and a fresh editor starts at the element's cursor.
    auto elem = m_editing_klass->now_text_elem;
    Pango::AttrList none;
    elem->pango_layout->set_attributes(none);
    elem->pango_layout->set_text(elem->get_text());
    change_active_text_elem(elem);
    m_ctrl.show_message("A text in a class holds at most 64 KiB; it was not changed");
}

bool AbstractModeInClass::update_active_text(const std::string& text) {
    if (exceeds_text_limit(m_editing_klass->now_text_elem->get_text(), text)) {
        refuse_text();
        return false;
    }
    auto action = std::make_shared<UpdateTextElementInACellAction>(get_ws(), m_editing_cell_pos);
    action->set_update(m_editing_klass->now_text_elem, text);
    return run_action(action);
}

// ---------------------------------------------------------------------------

NormalModeInClass::NormalModeInClass(Context& ctrl) : AbstractModeInClass(ctrl) {
    bind({"i"}, [this] { return change_to_the_mode<InsertModeNormal>(); });
    bind({"v"}, [this] { return change_to_the_mode<VisualModeInClass>(); });
    bind_text_moves();
    bind({"p", "<C-v>"}, [this] { return paste(); });
    bind({"x"}, [this] { return with_editor([](TextEditor& e) { return e.del(); }); });
    bind({"dd"}, [this] { return with_editor([](TextEditor& e) { return e.del_line(); }); });
    bind({"<Esc>", "<C-[>"}, [this] { return change_to_the_mode<CellMode>(); });
    bind({"<S-Enter>"}, [this] { return add_block(); });
    bind({"<S-Del>"}, [this] { return rm_block(); });
    // The command line, as in the cell mode: ":w" or ":xp" while editing a
    // class, which stays in this mode.
    bind({"<:>"}, [] {
        CtrlSwitcher::switch_to_cmd_ctrl();
        return true;
    });
}

std::shared_ptr<TextEditor> NormalModeInClass::new_text_editor(
    const std::shared_ptr<Model::TextElement>& text_elem) {
    auto editor = AbstractModeInClass::new_text_editor(text_elem);
    if (editor) {
        editor->set_can_edit(false);
    }
    return editor;
}

InsertModeNormal::InsertModeNormal(Context& ctrl) : AbstractModeInClass(ctrl) {
    bind_moves([this](MovingDir dir) { return move_cursor(dir); }, MoveKeys::ARROWS);
    bind({"<CR>"}, [this] { return with_editor([](TextEditor& e) { return e.new_line(); }); });
    bind({"<BS>"}, [this] { return with_editor([](TextEditor& e) { return e.bs(); }); });
    bind({"<Del>"}, [this] { return with_editor([](TextEditor& e) { return e.del(); }); });
    bind({"<C-v>"}, [this] { return paste(); });
    bind({"<Esc>", "<C-[>"}, [this] { return change_to_the_mode<NormalModeInClass>(); });
    bind({"<S-Enter>"}, [this] { return add_block(); });
}

InsertModeDirect::InsertModeDirect(Context& ctrl) : InsertModeNormal(ctrl) {
    bind({"<Esc>", "<C-[>"}, [this] { return change_to_the_mode<CellMode>(); });
    bind({"<C-v>"}, [this] { return paste(); });
}

}  // namespace Ctrl

#include "ctrl/modes/select_cell_mode.hpp"

#include <tuple>

#include "ctrl/actions.hpp"
#include "ctrl/class_clipboard.hpp"
#include "ctrl/context.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "model/element_cells.hpp"
#include "model/workspace.hpp"

namespace Ctrl {

SelectCellMode::SelectCellMode(Context& ctrl) : Mode(ctrl) {
    bind_moves([this](MovingDir dir) { return move_active_cell(dir); });
    bind({"x", "d"}, [this] { return cut_range(); });
    bind(
        {"<C-x>"}, [this] { return cut_range(); }, "cut");
    bind({"y"}, [this] { return copy_range(); });
    bind(
        {"<C-c>"}, [this] { return copy_range(); }, "copy");
    bind({"p"}, [this] { return paste_range(); });
    bind(
        {"<C-v>"}, [this] { return paste_range(); }, "paste");
    for (auto [letter, arrow, delta] :
         {std::tuple{"K", "<S-Up>", CellPos(0, -1)}, std::tuple{"J", "<S-Down>", CellPos(0, 1)},
          std::tuple{"H", "<S-Left>", CellPos(-1, 0)},
          std::tuple{"L", "<S-Right>", CellPos(1, 0)}}) {
        bind({letter, arrow}, [this, delta = delta] { return move_range(delta); });
    }
    bind({"<Esc>", "<C-[>"}, [this] { return change_to_the_mode<CellMode>(); });
    bind_command_line();
    bind_zoom();
}

void SelectCellMode::on_enter() {
    m_anchor = cursor();
    m_is_selecting = true;
    // Shown from the first cursor movement on.
    m_ctrl.set_selected_range(CellRange(m_anchor, m_anchor), false);
}

void SelectCellMode::on_exit() {
    m_ctrl.set_selected_range(std::nullopt);
}

void SelectCellMode::update_selection() {
    CellRange range(m_anchor, cursor());
    range.ensure_consistency();
    m_ctrl.set_selected_range(range);
}

void SelectCellMode::select_to(const CellPos& pos) {
    m_ctrl.set_cell_pos(pos);
    update_selection();
}

bool SelectCellMode::move_active_cell(MovingDir dir) {
    CellPos pos = cursor();
    pos.move(dir, 1);
    select_to(pos);
    return true;
}

bool SelectCellMode::rm_class_range() {
    const auto& range = m_ctrl.get_selected_range();
    if (!range || !run<RemoveCellRangeAction>(*range)) {
        return false;
    }
    return change_to_the_mode<CellMode>();
}

bool SelectCellMode::move_range(const CellPos& delta) {
    const auto range = m_ctrl.get_selected_range();
    if (!range) {
        return false;
    }
    bool any = false;
    get_ws()->get_element_cells()->foreach_range(*range, [&any](int32_t, int32_t, const auto&) {
        any = true;
        return false;
    });
    if (!any) {
        return false;
    }
    if (!run<MoveCellRangeAction>(*range, delta)) {
        m_ctrl.show_message("move: a class is in the way, or the table ends");
        return false;
    }
    m_anchor = m_anchor.add(delta);
    select_to(cursor().add(delta));
    return true;
}

bool SelectCellMode::copy_range() {
    const auto range = m_ctrl.get_selected_range();
    if (!range || !copy_cells(*range)) {
        return false;
    }
    CellRange block = *range;
    block.ensure_consistency();
    m_ctrl.set_cell_pos(block.start);
    return change_to_the_mode<CellMode>();
}

bool SelectCellMode::cut_range() {
    const auto range = m_ctrl.get_selected_range();
    if (range) {
        copy_cells(*range);
    }
    return rm_class_range();
}

bool SelectCellMode::paste_range() {
    const auto range = m_ctrl.get_selected_range();
    if (!range) {
        return false;
    }
    CellRange block = *range;
    block.ensure_consistency();
    if (!paste_at(block.start)) {
        return false;
    }
    m_ctrl.set_cell_pos(block.start);
    return change_to_the_mode<CellMode>();
}

NameSet SelectCellMode::enum_actionable_name() {
    NameSet names = Mode::enum_actionable_name();
    if (!m_ctrl.get_clipboard().get_has_fragment()) {
        names.erase("paste");
    }
    return names;
}

bool SelectCellMode::on_press_left_button(const Point& pt) {
    const CellPos pos = m_ctrl.point_to_cell_pos(pt);
    m_range_drag_start.reset();
    const auto& range = m_ctrl.get_selected_range();
    if (range) {
        CellRange block = *range;
        block.ensure_consistency();
        if (block.get_h().contains(pos.h) && block.get_v().contains(pos.v)) {
            // Decided on release: a drag moves the range, a click does what
            // a click did before.
            m_range_drag_start = pos;
            m_cursor_at_press = cursor();
            m_selecting_at_press = m_is_selecting;
            return true;
        }
    }
    if (m_is_selecting) {
        select_to(pos);
        return true;
    }
    leave_at(pos);
    return true;
}

void SelectCellMode::leave_at(const CellPos& pos) {
    m_ctrl.set_cell_pos(pos);
    change_to_the_mode<CellMode>();
    m_ctrl.get_mode<CellMode>()->take_over_from_the_mode(*this);
}

bool SelectCellMode::on_drag_with_left_button(const Point&, const Point& now_pt) {
    const auto& range = m_ctrl.get_selected_range();
    if (m_range_drag_start) {
        // The cursor shows where the pressed cell would land.
        const CellPos pos = m_ctrl.point_to_cell_pos(now_pt);
        if (pos != cursor()) {
            m_ctrl.set_cell_pos(pos);
        }
        return true;
    }
    if (!m_is_selecting || !range) {
        return false;
    }
    CellPos pos = m_ctrl.point_to_cell_pos(now_pt);
    if (pos == range->start && pos == range->end) {
        return false;
    }
    select_to(pos);
    return true;
}

bool SelectCellMode::on_release_left_button(const Point& pt) {
    m_is_selecting = false;
    if (!m_range_drag_start) {
        return true;
    }
    const CellPos from = *m_range_drag_start;
    m_range_drag_start.reset();
    const CellPos to = m_ctrl.point_to_cell_pos(pt);
    if (to == from) {
        if (m_selecting_at_press) {
            select_to(from);
        } else {
            leave_at(from);
        }
        return true;
    }
    const CellPos delta(to.h - from.h, to.v - from.v);
    // The cursor keeps its place in the range, wherever the range goes.
    m_ctrl.set_cell_pos(m_cursor_at_press);
    move_range(delta);
    return true;
}

}  // namespace Ctrl

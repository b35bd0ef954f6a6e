#include "ctrl/modes/select_cell_mode.hpp"

#include "ctrl/actions.hpp"
#include "ctrl/context.hpp"
#include "ctrl/modes/cell_mode.hpp"

namespace Ctrl {

SelectCellMode::SelectCellMode(Context& ctrl) : Mode(ctrl) {
    bind_moves([this](MovingDir dir) { return move_active_cell(dir); });
    bind({"x", "d"}, [this] { return rm_class_range(); });
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

bool SelectCellMode::on_press_left_button(const Point& pt) {
    const CellPos pos = m_ctrl.point_to_cell_pos(pt);
    if (m_is_selecting) {
        select_to(pos);
        return true;
    }
    m_ctrl.set_cell_pos(pos);
    change_to_the_mode<CellMode>();
    m_ctrl.get_mode<CellMode>()->take_over_from_the_mode(*this);
    return true;
}

bool SelectCellMode::on_drag_with_left_button(const Point&, const Point& now_pt) {
    const auto& range = m_ctrl.get_selected_range();
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

bool SelectCellMode::on_release_left_button(const Point&) {
    m_is_selecting = false;
    return true;
}

}  // namespace Ctrl

#include "ctrl/modes/select_cell_mode.hpp"

#include "ctrl/actions.hpp"
#include "ctrl/context.hpp"
#include "ctrl/ctrl_switcher.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "view/canvas.hpp"

namespace Ctrl {

SelectCellMode::SelectCellMode(Context& ctrl) : Mode(ctrl) {
    bind({"<Up>", "k"}, [this] { return move_active_cell(MovingDir::UP); });
    bind({"<Down>", "j"}, [this] { return move_active_cell(MovingDir::DOWN); });
    bind({"<Left>", "h"}, [this] { return move_active_cell(MovingDir::LEFT); });
    bind({"<Right>", "l"}, [this] { return move_active_cell(MovingDir::RIGHT); });
    bind({"x", "d"}, [this] { return rm_class_range(); });
    bind({"<Esc>", "<C-[>"}, [this] { return change_to_the_mode<CellMode>(); });
    bind({"<:>"}, [] {
        CtrlSwitcher::switch_to_cmd_ctrl();
        return true;
    });
}

void SelectCellMode::on_enter() {
    m_anchor = m_ctrl.cell_pos;
    m_is_selecting = true;
    // Shown from the first cursor movement on.
    m_ctrl.selected_range = CellRange(m_anchor, m_anchor);
}

void SelectCellMode::on_exit() {
    m_ctrl.selected_range.reset();
    m_ctrl.get_canvas().set_selected_cell_range(std::nullopt);
    m_ctrl.update_view();
}

void SelectCellMode::update_cell_pos() {
    if (!m_ctrl.selected_range) {
        m_ctrl.selected_range = CellRange();
    }
    auto& range = *m_ctrl.selected_range;
    range.start = m_anchor;
    range.end = m_ctrl.cell_pos;
    range.ensure_consistency();
    auto& canvas = m_ctrl.get_canvas();
    canvas.set_cell_pos(m_ctrl.cell_pos);
    canvas.set_selected_cell_range(range);
    m_ctrl.update_view();
}

bool SelectCellMode::move_active_cell(MovingDir dir) {
    m_ctrl.cell_pos.move(dir, 1);
    update_cell_pos();
    return true;
}

bool SelectCellMode::rm_class_range() {
    if (!m_ctrl.selected_range) {
        return false;
    }
    auto action = std::make_shared<RemoveCellRangeAction>(m_ctrl.get_ws(), *m_ctrl.selected_range);
    if (!m_ctrl.action_processor->execute(action)) {
        return false;
    }
    return change_to_the_mode<CellMode>();
}

bool SelectCellMode::on_press_left_button(const Point& pt) {
    m_ctrl.cell_pos = m_ctrl.point_to_cell_pos(pt);
    if (m_is_selecting) {
        update_cell_pos();
        return true;
    }
    change_to_the_mode<CellMode>();
    auto cell = m_ctrl.get_mode<CellMode>();
    cell->take_over_from_the_mode(*this);
    cell->update_cell_pos();
    return true;
}

bool SelectCellMode::on_drag_with_left_button(const Point&, const Point& now_pt) {
    if (!m_is_selecting || !m_ctrl.selected_range) {
        return false;
    }
    CellPos pos = m_ctrl.point_to_cell_pos(now_pt);
    const auto& range = *m_ctrl.selected_range;
    if (pos == range.start && pos == range.end) {
        return false;
    }
    m_ctrl.cell_pos = pos;
    update_cell_pos();
    return true;
}

bool SelectCellMode::on_release_left_button(const Point&) {
    m_is_selecting = false;
    return true;
}

}  // namespace Ctrl

#include "ctrl/modes/cell_mode.hpp"

#include "ctrl/actions.hpp"
#include "ctrl/context.hpp"
#include "ctrl/ctrl_switcher.hpp"
#include "ctrl/modes/in_class_modes.hpp"
#include "ctrl/modes/select_cell_mode.hpp"
#include "ctrl/modes/select_connector_mode.hpp"
#include "view/canvas.hpp"

namespace Ctrl {

CellMode::CellMode(Context& ctrl) : Mode(ctrl) {
    bind({"<Up>", "k"}, [this] { return move_active_cell(MovingDir::UP); });
    bind({"<Down>", "j"}, [this] { return move_active_cell(MovingDir::DOWN); });
    bind({"<Left>", "h"}, [this] { return move_active_cell(MovingDir::LEFT); });
    bind({"<Right>", "l"}, [this] { return move_active_cell(MovingDir::RIGHT); });
    bind(
        {"c"},
        [this] {
            return execute(std::make_shared<AddClassAction>(m_ctrl.get_ws(), m_ctrl.cell_pos));
        },
        "insert-class");
    bind(
        {"x"},
        [this] {
            return execute(std::make_shared<RemoveClassAction>(m_ctrl.get_ws(), m_ctrl.cell_pos));
        },
        "delete-class");
    bind(
        {"o"},
        [this] {
            return execute(
                std::make_shared<InsertLineAction>(m_ctrl.get_ws(), CellDir::V, m_ctrl.cell_pos.v));
        },
        "insert-row");
    bind(
        {"O"},
        [this] {
            return execute(
                std::make_shared<InsertLineAction>(m_ctrl.get_ws(), CellDir::H, m_ctrl.cell_pos.h));
        },
        "insert-col");
    bind(
        {"t"},
        [this] {
            return execute(
                std::make_shared<RemoveLineAction>(m_ctrl.get_ws(), CellDir::V, m_ctrl.cell_pos.v));
        },
        "delete-row");
    bind(
        {"T"},
        [this] {
            return execute(
                std::make_shared<RemoveLineAction>(m_ctrl.get_ws(), CellDir::H, m_ctrl.cell_pos.h));
        },
        "delete-col");
    bind({"i"}, [this] { return change_to_the_mode<NormalModeInClass>(); });
    bind({"I"}, [this] { return change_to_the_mode<InsertModeDirect>(); });
    bind(
        {"R"}, [this] { return change_to_connect_mode(ConnectModeKind::ASSOCIATION); },
        "connect-association");
    bind(
        {"D"}, [this] { return change_to_connect_mode(ConnectModeKind::DEPENDENCY); },
        "connect-dependency");
    bind(
        {"A"}, [this] { return change_to_connect_mode(ConnectModeKind::AGGREGATION); },
        "connect-aggregation");
    bind(
        {"C"}, [this] { return change_to_connect_mode(ConnectModeKind::COMPOSITION); },
        "connect-composition");
    bind(
        {"G"}, [this] { return change_to_connect_mode(ConnectModeKind::GENERALIZATION); },
        "connect-generalization");
    bind({"v"}, [this] { return change_to_the_mode<SelectCellMode>(); });
    bind({"r"}, [this] { return change_to_the_mode<SelectConnectorMode>(); });
    bind({"<:>"}, [] {
        CtrlSwitcher::switch_to_cmd_ctrl();
        return true;
    });
    bind(
        {"u"},
        [this] {
            m_ctrl.action_processor->undo();
            return true;
        },
        "undo");
    bind(
        {"<C-r>"},
        [this] {
            m_ctrl.action_processor->redo();
            return true;
        },
        "redo");
}

bool CellMode::execute(std::shared_ptr<Action> action) {
    return m_ctrl.action_processor->execute(std::move(action));
}

bool CellMode::move_active_cell(MovingDir dir) {
    m_ctrl.cell_pos.move(dir, 1);
    update_cell_pos();
    return true;
}

void CellMode::update_cell_pos() {
    m_ctrl.get_canvas().set_cell_pos(m_ctrl.cell_pos);
    m_ctrl.update_view();
}

bool CellMode::change_to_connect_mode(ConnectModeKind kind) {
    if (auto mode = m_ctrl.get_mode<ConnectMode>()) {
        mode->kind = kind;
        m_ctrl.set_now_mode(mode);
    }
    return true;
}

bool CellMode::on_press_left_button(const Point& pt) {
    m_ctrl.cell_pos = m_ctrl.point_to_cell_pos(pt);
    update_cell_pos();
    return true;
}

bool CellMode::on_double_press_left_button(const Point&) {
    // The single press before every double press has already moved the
    // cursor.
    return change_to_the_mode<InsertModeDirect>();
}

bool CellMode::on_drag_with_left_button(const Point& start_pt, const Point& now_pt) {
    CellPos now_pos = m_ctrl.point_to_cell_pos(now_pt);
    if (m_ctrl.point_to_cell_pos(start_pt) == now_pos) {
        return false;
    }
    // The select-cell mode anchors at the cursor as it is now.
    change_to_the_mode<SelectCellMode>();
    auto select = m_ctrl.get_mode<SelectCellMode>();
    select->take_over_from_the_mode(*this);
    m_ctrl.cell_pos = now_pos;
    select->update_cell_pos();
    return true;
}

}  // namespace Ctrl

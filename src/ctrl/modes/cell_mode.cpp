#include "ctrl/modes/cell_mode.hpp"

#include <string>
#include <utility>

#include "ctrl/actions.hpp"
#include "ctrl/context.hpp"
#include "ctrl/modes/in_class_modes.hpp"
#include "ctrl/modes/select_cell_mode.hpp"
#include "ctrl/modes/select_connector_mode.hpp"

namespace Ctrl {

CellMode::CellMode(Context& ctrl) : Mode(ctrl) {
    bind_moves([this](MovingDir dir) { return move_active_cell(dir); });
    bind(
        {"c"}, [this] { return run<AddClassAction>(cursor()); }, "insert-class");
    bind(
        {"x"}, [this] { return run<RemoveClassAction>(cursor()); }, "delete-class");
    bind(
        {"o"}, [this] { return run<InsertLineAction>(CellDir::V, cursor().v); }, "insert-row");
    bind(
        {"O"}, [this] { return run<InsertLineAction>(CellDir::H, cursor().h); }, "insert-col");
    bind(
        {"t"}, [this] { return run<RemoveLineAction>(CellDir::V, cursor().v); }, "delete-row");
    bind(
        {"T"}, [this] { return run<RemoveLineAction>(CellDir::H, cursor().h); }, "delete-col");
    bind({"i"}, [this] { return change_to_the_mode<NormalModeInClass>(); });
    bind({"I"}, [this] { return change_to_the_mode<InsertModeDirect>(); });
    for (auto [key, kind] :
         {std::pair{"R", ConnectModeKind::ASSOCIATION}, std::pair{"D", ConnectModeKind::DEPENDENCY},
          std::pair{"A", ConnectModeKind::AGGREGATION},
          std::pair{"C", ConnectModeKind::COMPOSITION},
          std::pair{"G", ConnectModeKind::GENERALIZATION}}) {
        const std::string name = "connect-" + to_nick(kind);
        bind(
            {key}, [this, kind = kind] { return change_to_connect_mode(kind); }, name.c_str());
    }
    bind({"v"}, [this] { return change_to_the_mode<SelectCellMode>(); });
    bind({"r"}, [this] { return change_to_the_mode<SelectConnectorMode>(); });
    bind_command_line();
    bind_zoom();
    bind({"/"}, [this] {
        m_ctrl.open_find();
        return true;
    });
    bind({"n"}, [this] { return m_ctrl.find_again(true) || true; });
    bind({"N"}, [this] { return m_ctrl.find_again(false) || true; });
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

bool CellMode::move_active_cell(MovingDir dir) {
    m_ctrl.move_cell_pos(dir);
    return true;
}

bool CellMode::change_to_connect_mode(ConnectModeKind kind) {
    if (auto mode = m_ctrl.get_mode<ConnectMode>()) {
        mode->kind = kind;
        m_ctrl.set_now_mode(mode);
    }
    return true;
}

bool CellMode::on_press_left_button(const Point& pt) {
    m_ctrl.set_cell_pos(m_ctrl.point_to_cell_pos(pt));
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
    select->select_to(now_pos);
    return true;
}

}  // namespace Ctrl

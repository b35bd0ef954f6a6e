#include "ctrl/modes/connect_mode.hpp"

#include "ctrl/actions.hpp"
#include "ctrl/context.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "model/element_cells.hpp"
#include "model/workspace.hpp"
#include "view/canvas.hpp"

namespace Ctrl {

std::string to_string(ConnectModeKind kind) {
    switch (kind) {
        case ConnectModeKind::ASSOCIATION:
            return "CTRL_CONNECT_MODE_KIND_ASSOCIATION";
        case ConnectModeKind::DEPENDENCY:
            return "CTRL_CONNECT_MODE_KIND_DEPENDENCY";
        case ConnectModeKind::AGGREGATION:
            return "CTRL_CONNECT_MODE_KIND_AGGREGATION";
        case ConnectModeKind::COMPOSITION:
            return "CTRL_CONNECT_MODE_KIND_COMPOSITION";
        case ConnectModeKind::GENERALIZATION:
            return "CTRL_CONNECT_MODE_KIND_GENERALIZATION";
    }
    return {};
}

std::string to_nick(ConnectModeKind kind) {
    switch (kind) {
        case ConnectModeKind::ASSOCIATION:
            return "association";
        case ConnectModeKind::DEPENDENCY:
            return "dependency";
        case ConnectModeKind::AGGREGATION:
            return "aggregation";
        case ConnectModeKind::COMPOSITION:
            return "composition";
        case ConnectModeKind::GENERALIZATION:
            return "generalization";
    }
    return {};
}

ConnectMode::ConnectMode(Context& ctrl) : Mode(ctrl) {
    bind({"<Up>", "k"}, [this] { return move_active_cell(MovingDir::UP); });
    bind({"<Down>", "j"}, [this] { return move_active_cell(MovingDir::DOWN); });
    bind({"<Left>", "h"}, [this] { return move_active_cell(MovingDir::LEFT); });
    bind({"<Right>", "l"}, [this] { return move_active_cell(MovingDir::RIGHT); });
    bind({"<Esc>", "<C-[>"}, [this] { return cancel(); });
    bind({"<CR>"}, [this] { return fix(); });
}

bool ConnectMode::get_is_enterable() const {
    const auto& ws = m_ctrl.get_ws();
    if (!ws || !ws->get_element_cells()) {
        return false;
    }
    return ws->get_element_cells()->get(m_ctrl.cell_pos.h, m_ctrl.cell_pos.v) != nullptr;
}

void ConnectMode::on_enter() {
    if (const auto& ws = m_ctrl.get_ws()) {
        ws->new_floating_connector(m_ctrl.cell_pos, to_nick(kind));
    }
    m_ctrl.update_view();
}

void ConnectMode::on_exit() {
    m_ctrl.update_view();
}

bool ConnectMode::on_press_left_button(const Point& pt) {
    m_ctrl.cell_pos = m_ctrl.point_to_cell_pos(pt);
    update_cell_pos();
    return true;
}

bool ConnectMode::on_double_press_left_button(const Point&) {
    // The single press before every double press has already moved the end.
    return fix();
}

void ConnectMode::update_cell_pos() {
    if (const auto& ws = m_ctrl.get_ws()) {
        ws->update_floating_connector(m_ctrl.cell_pos);
    }
    m_ctrl.get_canvas().set_cell_pos(m_ctrl.cell_pos);
    m_ctrl.update_view();
}

bool ConnectMode::move_active_cell(MovingDir dir) {
    m_ctrl.cell_pos.move(dir, 1);
    update_cell_pos();
    return true;
}

bool ConnectMode::fix() {
    const auto& ws = m_ctrl.get_ws();
    if (ws && m_ctrl.action_processor->execute(std::make_shared<FixFloatingConnector>(ws))) {
        return change_to_the_mode<CellMode>();
    }
    return true;
}

bool ConnectMode::cancel() {
    if (const auto& ws = m_ctrl.get_ws()) {
        ws->rm_floating_connector();
    }
    return change_to_the_mode<CellMode>();
}

}  // namespace Ctrl

#include "ctrl/modes/connect_mode.hpp"

#include "ctrl/actions.hpp"
#include "ctrl/context.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "model/workspace.hpp"

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
        case ConnectModeKind::REALIZATION:
            return "CTRL_CONNECT_MODE_KIND_REALIZATION";
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
        case ConnectModeKind::REALIZATION:
            return "realization";
    }
    return {};
}

ConnectMode::ConnectMode(Context& ctrl) : Mode(ctrl) {
    bind_moves([this](MovingDir dir) { return move_active_cell(dir); });
    bind({"<Esc>", "<C-[>"}, [this] { return cancel(); });
    bind({"<CR>"}, [this] { return fix(); });
    bind_zoom();
}

bool ConnectMode::get_is_enterable() const {
    return m_ctrl.class_at_cursor() != nullptr;
}

void ConnectMode::on_enter() {
    if (const auto& ws = get_ws()) {
        ws->new_floating_connector(cursor(), to_nick(kind));
    }
}

bool ConnectMode::on_press_left_button(const Point& pt) {
    move_loose_end(m_ctrl.point_to_cell_pos(pt));
    return true;
}

bool ConnectMode::on_double_press_left_button(const Point&) {
    // The single press before every double press has already moved the end.
    return fix();
}

void ConnectMode::move_loose_end(const CellPos& pos) {
    if (const auto& ws = get_ws()) {
        ws->update_floating_connector(pos);
    }
    m_ctrl.set_cell_pos(pos);
}

bool ConnectMode::move_active_cell(MovingDir dir) {
    CellPos pos = cursor();
    pos.move(dir, 1);
    move_loose_end(pos);
    return true;
}

bool ConnectMode::fix() {
    const auto& ws = get_ws();
    if (ws && run<FixFloatingConnector>()) {
        return change_to_the_mode<CellMode>();
    }
    if (ws && ws->floating_end_unreachable()) {
        m_ctrl.show_message("no route to that class");
    }
    return true;
}

bool ConnectMode::cancel() {
    if (const auto& ws = get_ws()) {
        ws->rm_floating_connector();
    }
    return change_to_the_mode<CellMode>();
}

}  // namespace Ctrl

#include "ctrl/modes/cell_mode.hpp"

#include <string>
#include <tuple>
#include <utility>

#include "ctrl/actions.hpp"
#include "ctrl/class_clipboard.hpp"
#include "ctrl/context.hpp"
#include "ctrl/modes/in_class_modes.hpp"
#include "ctrl/modes/select_cell_mode.hpp"
#include "ctrl/modes/select_connector_mode.hpp"
#include "model/element_cells.hpp"
#include "model/workspace.hpp"

namespace Ctrl {

CellMode::CellMode(Context& ctrl) : Mode(ctrl) {
    bind_moves([this](MovingDir dir) { return move_active_cell(dir); });
    bind(
        {"c"}, [this] { return run<AddClassAction>(cursor()); }, "insert-class");
    // "x" keeps what it deletes on the clipboard, so a cut is x, then p.
    bind(
        {"x"}, [this] { return cut_class(); }, "delete-class");
    bind(
        {"<C-x>"}, [this] { return cut_class(); }, "cut");
    bind({"y"}, [this] { return copy_class(); });
    bind(
        {"<C-c>"}, [this] { return copy_class(); }, "copy");
    bind({"p"}, [this] { return paste_at(cursor()); });
    bind(
        {"<C-v>"}, [this] { return paste_at(cursor()); }, "paste");
    for (auto [letter, arrow, dir] :
         {std::tuple{"K", "<S-Up>", MovingDir::UP}, std::tuple{"J", "<S-Down>", MovingDir::DOWN},
          std::tuple{"H", "<S-Left>", MovingDir::LEFT},
          std::tuple{"L", "<S-Right>", MovingDir::RIGHT}}) {
        bind({letter, arrow}, [this, dir = dir] { return move_class(dir); });
    }
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
          std::pair{"G", ConnectModeKind::GENERALIZATION},
          std::pair{"E", ConnectModeKind::REALIZATION}}) {
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

bool CellMode::move_class(MovingDir dir) {
    if (!m_ctrl.class_at_cursor()) {
        return false;
    }
    if (!run<MoveClassAction>(cursor(), dir)) {
        m_ctrl.show_message("move: the class cannot go off the table");
        return false;
    }
    m_ctrl.move_cell_pos(dir);
    return true;
}

bool CellMode::copy_class() {
    return copy_cells(CellRange(cursor(), cursor()));
}

bool CellMode::cut_class() {
    if (!m_ctrl.class_at_cursor()) {
        return false;
    }
    copy_class();
    return run<RemoveClassAction>(cursor());
}

NameSet CellMode::enum_actionable_name() {
    NameSet names = Mode::enum_actionable_name();
    if (!m_ctrl.get_clipboard().get_has_fragment()) {
        names.erase("paste");
    }
    return names;
}

bool CellMode::change_to_connect_mode(ConnectModeKind kind) {
    if (auto mode = m_ctrl.get_mode<ConnectMode>()) {
        mode->kind = kind;
        m_ctrl.set_now_mode(mode);
    }
    return true;
}

bool CellMode::on_press_left_button(const Point& pt) {
    m_dragged_class.reset();
    m_ctrl.set_cell_pos(m_ctrl.point_to_cell_pos(pt));
    return true;
}

bool CellMode::on_double_press_left_button(const Point&) {
    // The single press before every double press has already moved the
    // cursor.
    return change_to_the_mode<InsertModeDirect>();
}

bool CellMode::on_drag_with_left_button(const Point& start_pt, const Point& now_pt) {
    const CellPos start_pos = m_ctrl.point_to_cell_pos(start_pt);
    const CellPos now_pos = m_ctrl.point_to_cell_pos(now_pt);
    if (m_dragged_class) {
        // The cursor shows where the class would land.
        if (now_pos != cursor()) {
            m_ctrl.set_cell_pos(now_pos);
        }
        return true;
    }
    if (start_pos == now_pos) {
        return false;
    }
    if (get_ws()->get_element_cells()->get(start_pos.h, start_pos.v)) {
        m_dragged_class = start_pos;
        m_ctrl.set_cell_pos(now_pos);
        return true;
    }
    // The select-cell mode anchors at the cursor as it is now.
    change_to_the_mode<SelectCellMode>();
    auto select = m_ctrl.get_mode<SelectCellMode>();
    select->take_over_from_the_mode(*this);
    select->select_to(now_pos);
    return true;
}

bool CellMode::on_release_left_button(const Point& pt) {
    if (!m_dragged_class) {
        return false;
    }
    const CellPos from = *m_dragged_class;
    m_dragged_class.reset();
    const CellPos to = m_ctrl.point_to_cell_pos(pt);
    if (to == from) {
        m_ctrl.set_cell_pos(from);
        return true;
    }
    Model::Workspace::Moves moves{{from, to}};
    if (get_ws()->get_element_cells()->get(to.h, to.v)) {
        moves.emplace_back(to, from);
    }
    if (!run<MoveClassesAction>(std::move(moves))) {
        m_ctrl.show_message("move: the class cannot go there");
        m_ctrl.set_cell_pos(from);
        return true;
    }
    m_ctrl.set_cell_pos(to);
    return true;
}

}  // namespace Ctrl

#pragma once

#include <optional>

#include "common/cell_pos.hpp"
#include "common/directions.hpp"
#include "ctrl/modes/connect_mode.hpp"
#include "ctrl/modes/mode.hpp"

namespace Ctrl {

// The cell cursor moves over the grid; classes, rows, columns and
// connectors are created and deleted here.
class CellMode : public Mode {
  public:
    explicit CellMode(Context& ctrl);

    std::string get_name() const override { return "CELL MODE"; }

    // Moves the cursor one cell (clamped to the grid's range); true.
    bool move_active_cell(MovingDir dir);
    bool change_to_connect_mode(ConnectModeKind kind);
    // Moves the class at the cursor one cell, swapping with a class there,
    // and the cursor with it.
    bool move_class(MovingDir dir);
    // The class at the cursor to the clipboard; cut also removes it.
    bool copy_class();
    bool cut_class();

    // Paste is offered only while the clipboard holds classes.
    NameSet enum_actionable_name() override;

    bool on_press_left_button(const Point& pt) override;
    bool on_double_press_left_button(const Point& pt) override;
    bool on_drag_with_left_button(const Point& start_pt, const Point& now_pt) override;
    bool on_release_left_button(const Point& pt) override;

  private:
    // The cell of the class being dragged, from the first drag motion over
    // another cell until the release.
    std::optional<CellPos> m_dragged_class;
};

}  // namespace Ctrl

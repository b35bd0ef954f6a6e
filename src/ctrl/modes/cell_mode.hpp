#pragma once

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

    bool on_press_left_button(const Point& pt) override;
    bool on_double_press_left_button(const Point& pt) override;
    bool on_drag_with_left_button(const Point& start_pt, const Point& now_pt) override;
};

}  // namespace Ctrl

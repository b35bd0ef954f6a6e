#pragma once

#include <optional>

#include "common/cell_pos.hpp"
#include "common/directions.hpp"
#include "ctrl/modes/mode.hpp"

namespace Ctrl {

// Marks a rectangular range of cells, from an anchor to the cursor, for
// deletion.
class SelectCellMode : public Mode {
  public:
    explicit SelectCellMode(Context& ctrl);

    std::string get_name() const override { return "SELECT CELL MODE"; }

    void on_enter() override;
    void on_exit() override;

    // Spans the range from the anchor to the cursor.
    void update_selection();
    // Moves the cursor to pos and the range with it.
    void select_to(const CellPos& pos);
    bool move_active_cell(MovingDir dir);
    // Deletes the classes of the range; leaves the mode only on success.
    bool rm_class_range();
    // Moves the classes of the range, and the range, by delta cells.
    bool move_range(const CellPos& delta);
    // The range to the clipboard, then back to the cell mode at its
    // top-left; cut also deletes the classes.
    bool copy_range();
    bool cut_range();
    // Pastes at the range's top-left, then back to the cell mode.
    bool paste_range();

    // Paste is offered only while the clipboard holds classes.
    NameSet enum_actionable_name() override;

    bool on_press_left_button(const Point& pt) override;
    bool on_drag_with_left_button(const Point& start_pt, const Point& now_pt) override;
    bool on_release_left_button(const Point& pt) override;

    const CellPos& get_anchor() const { return m_anchor; }
    bool get_is_selecting() const { return m_is_selecting; }

  private:
    // Back to the cell mode with the cursor at pos.
    void leave_at(const CellPos& pos);

    CellPos m_anchor;
    // From entering until the left button is released.
    bool m_is_selecting = false;
    // Where a press inside the range went down: the range follows a drag
    // from there, and a release on the same cell is a plain click.
    std::optional<CellPos> m_range_drag_start;
    CellPos m_cursor_at_press;
    bool m_selecting_at_press = false;
};

}  // namespace Ctrl

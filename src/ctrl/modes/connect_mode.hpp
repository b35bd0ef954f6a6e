#pragma once

#include <string>

#include "common/directions.hpp"
#include "common/point.hpp"
#include "ctrl/modes/mode.hpp"

namespace Ctrl {

enum class ConnectModeKind {
    ASSOCIATION = 0,
    DEPENDENCY = 1,
    AGGREGATION = 2,
    COMPOSITION = 3,
    GENERALIZATION = 4,
    REALIZATION = 5,
};

// "CTRL_CONNECT_MODE_KIND_ASSOCIATION", ...
std::string to_string(ConnectModeKind kind);
// "association", ...; also the connector kind's name in documents.
std::string to_nick(ConnectModeKind kind);

// Draws a connector from the class under the cursor to another class. The
// connector floats (routed and shown, but not part of the document) while
// its loose end follows the cursor; fixing it adds it to the document as one
// undoable step, cancelling leaves no trace.
class ConnectMode : public Mode {
  public:
    explicit ConnectMode(Context& ctrl);

    std::string get_name() const override { return "CONNECT MODE"; }
    // Only a class can be the start of a connector.
    bool get_is_enterable() const override;

    // Starts a floating connector of `kind` at the cursor.
    void on_enter() override;
    // Moves the loose end to the pressed cell.
    bool on_press_left_button(const Point& pt) override;
    bool on_double_press_left_button(const Point& pt) override;

    // Moves the cursor to pos and re-routes the loose end there.
    void move_loose_end(const CellPos& pos);
    // Moves the cursor (and the loose end) one cell; true.
    bool move_active_cell(MovingDir dir);
    // Makes the floating connector part of the document and returns to the
    // cell mode. When the workspace refuses (the loose end is not on another
    // class) the mode and the floating connector stay; true either way.
    bool fix();
    // Drops the floating connector and returns to the cell mode.
    bool cancel();

    // Set by the cell mode just before it switches here.
    ConnectModeKind kind = ConnectModeKind::ASSOCIATION;
};

}  // namespace Ctrl

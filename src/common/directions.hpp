#pragma once

#include <functional>
#include <string>

// The two grid axes: H runs along columns (x), V along rows (y).
enum class CellDir { H = 0, V = 1 };

// One step on the grid. UP lowers the row index, LEFT the column index.
enum class MovingDir { UP = 0, DOWN = 1, LEFT = 2, RIGHT = 3 };

// The two ends of a connector.
enum class StartOrEnd { START = 0, END = 1 };

CellDir inv(CellDir d);
std::string to_string(CellDir d);
const char* to_nick(CellDir d);

MovingDir inv(MovingDir d);
CellDir to_cell_dir(MovingDir d);
std::string to_string(MovingDir d);
const char* to_nick(MovingDir d);
// Visits UP, DOWN, LEFT, RIGHT; stops when the callback answers false.
// Returns true when all four were visited with a true answer.
bool foreach_moving_dir(const std::function<bool(MovingDir)>& cb);

// Unknown values are logged and returned unchanged.
StartOrEnd inv(StartOrEnd s);
std::string to_string(StartOrEnd s);
const char* to_nick(StartOrEnd s);

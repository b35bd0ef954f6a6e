#pragma once

#include <cstdint>

#include "common/cell_pos.hpp"
#include "common/point.hpp"
#include "common/rectangle.hpp"

namespace Model {
class Workspace;
}

namespace View {

// The geometry of a zoomed view, free of widgets so that it is tested
// without a display. A view shows the workspace point p at the widget pixel
// (p + offset) * zoom; the offset is in workspace pixels, as without zoom.
namespace Zoom {

constexpr double MIN = 0.1;
constexpr double MAX = 4.0;
// Below this level a 16 px text is under 5 screen pixels high and cannot be
// read; boxes are then drawn without texts, which keeps a frame of a whole
// large diagram fast.
constexpr double MIN_TEXT = 0.3;

// level kept within MIN..MAX; anything not a finite positive number is 1.
double clamp(double level);
// The next step of the fixed ladder above (below) level, or the end of the
// range. A level set by fit between two steps goes to the neighbouring step.
double step_in(double level);
double step_out(double level);

// Widget pixels to workspace pixels and back.
Point wnd_to_ws(const Point& wnd, const Point& offset, double zoom);
Point ws_to_wnd(const Point& ws, const Point& offset, double zoom);

// The offset that keeps the workspace point under the widget pixel anchor
// where it is when the zoom changes from old_zoom to new_zoom.
Point offset_around(const Point& offset, double old_zoom, double new_zoom, const Point& anchor);

// The visible area in workspace pixels of a widget of w x h pixels.
Rectangle visible_area(const Point& offset, double zoom, int32_t w, int32_t h);

// The offset moved as little as possible so that the view stays inside
// world (the cells there can be): it never shows space before cell (0, 0)
// nor after the last cell. A world smaller than the view is shown from its
// start.
Point clamp_offset(const Point& offset, double zoom, int32_t w, int32_t h, const Rectangle& world);

// The zoom and offset that show area whole in a widget of w x h pixels,
// from its top-left corner, the zoom within MIN..MAX (a huge area shows
// its top-left part at MIN).
struct Fit {
    double zoom = 1.0;
    Point offset;
};
Fit fit(const Rectangle& area, int32_t w, int32_t h);

// What fit shows of a workspace: every class, the connectors between them
// and the cell cursor, from cell (0, 0) on, with a little room after them.
Rectangle diagram_area(const Model::Workspace& ws, const CellPos& cursor);
// Every cell there can be, (0, 0) to (CellPos::MAX, CellPos::MAX).
Rectangle world_area(const Model::Workspace& ws);

}  // namespace Zoom

}  // namespace View

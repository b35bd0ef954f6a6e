#include "view/zoom.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/cell_range.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"

namespace View::Zoom {

namespace {

constexpr std::array<double, 17> LADDER{0.1,  0.15, 0.2,  0.25, 0.33, 0.5, 0.67, 0.8, 1.0,
                                        1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 3.5,  4.0};
// Levels this close count as equal, so that a fit level a hair below a step
// does not take that very step as its next one.
constexpr double EPS = 1e-6;
// Room after the diagram in fit, in workspace pixels: a connector may run
// along the outer edge of the outermost cells.
constexpr double FIT_MARGIN = 16.0;

}  // namespace

double clamp(double level) {
    if (!std::isfinite(level) || level <= 0.0) {
        return 1.0;
    }
    return std::clamp(level, MIN, MAX);
}

double step_in(double level) {
    level = clamp(level);
    for (double step : LADDER) {
        if (step > level + EPS) {
            return step;
        }
    }
    return MAX;
}

double step_out(double level) {
    level = clamp(level);
    for (auto it = LADDER.rbegin(); it != LADDER.rend(); ++it) {
        if (*it < level - EPS) {
            return *it;
        }
    }
    return MIN;
}

Point wnd_to_ws(const Point& wnd, const Point& offset, double zoom) {
    return Point(wnd.x / zoom - offset.x, wnd.y / zoom - offset.y);
}

Point ws_to_wnd(const Point& ws, const Point& offset, double zoom) {
    return Point((ws.x + offset.x) * zoom, (ws.y + offset.y) * zoom);
}

Point offset_around(const Point& offset, double old_zoom, double new_zoom, const Point& anchor) {
    const Point fixed = wnd_to_ws(anchor, offset, old_zoom);
    return Point(anchor.x / new_zoom - fixed.x, anchor.y / new_zoom - fixed.y);
}

Rectangle visible_area(const Point& offset, double zoom, int32_t w, int32_t h) {
    return Rectangle(-offset.x, -offset.y, w / zoom, h / zoom);
}

Point clamp_offset(const Point& offset, double zoom, int32_t w, int32_t h, const Rectangle& world) {
    auto one = [](double off, double view_size, double start, double size) {
        // -off is where the view starts; it may run from start to the point
        // where the view's end meets the world's end.
        const double last = std::max(start, start + size - view_size);
        return -std::clamp(-off, start, last);
    };
    return Point(one(offset.x, w / zoom, world.x, world.width),
                 one(offset.y, h / zoom, world.y, world.height));
}

Fit fit(const Rectangle& area, int32_t w, int32_t h) {
    Fit f;
    f.offset = Point(-area.x, -area.y);
    if (w > 0 && h > 0 && area.width > 0.0 && area.height > 0.0) {
        f.zoom = clamp(std::min(w / area.width, h / area.height));
    }
    return f;
}

Rectangle diagram_area(const Model::Workspace& ws, const CellPos& cursor) {
    int32_t max_h = std::max(cursor.h, 0);
    int32_t max_v = std::max(cursor.v, 0);
    if (const auto& cells = ws.get_element_cells()) {
        cells->foreach ([&](int32_t h, int32_t v, const auto&) {
            max_h = std::max(max_h, h);
            max_v = std::max(max_v, v);
            return true;
        });
    }
    const Rectangle r =
        ws.get_grid()->get_rectangle_range(CellRange(CellPos(0, 0), CellPos(max_h, max_v)));
    return Rectangle(r.x, r.y, r.width + FIT_MARGIN, r.height + FIT_MARGIN);
}

Rectangle world_area(const Model::Workspace& ws) {
    return ws.get_grid()->get_rectangle_range(
        CellRange(CellPos(0, 0), CellPos(CellPos::MAX, CellPos::MAX)));
}

}  // namespace View::Zoom

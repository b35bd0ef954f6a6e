#pragma once

#include <functional>

#include "common/directions.hpp"
#include "render/drawers/drawer.hpp"

namespace View {

// Clears the surface to the background colour and draws the grid lines of
// the visible part only. It is the first drawer of every canvas frame. It
// leaves the line width at 1.0 for the drawers after it.
class GridDrawer : public Drawer {
  public:
    // (line position, start, end along the other axis)
    using LineDrawer = std::function<void(double, double, double)>;

    explicit GridDrawer(std::shared_ptr<WorkspaceDrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;

    // Calls line_drawer for every visible line boundary along dir, then
    // strokes once.
    void draw_lines(CellDir dir, const LineDrawer& line_drawer);
    // A vertical line at column boundary x.
    void draw_h_grid_line(double x, double y1, double y2);
    // A horizontal line at row boundary y.
    void draw_v_grid_line(double y, double x1, double x2);

  private:
    WorkspaceDrawerContext& wdc() const;
};

// Frames the cell under the cursor.
class CellCursorDrawer : public Drawer {
  public:
    explicit CellCursorDrawer(std::shared_ptr<WorkspaceDrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;
};

// Fills the selected range, if any, on top of everything painted before.
class SelectedRangeDrawer : public Drawer {
  public:
    explicit SelectedRangeDrawer(std::shared_ptr<WorkspaceDrawerContext> dc);
    void draw(const Cairo::RefPtr<Cairo::Region>& update_region) override;
};

}  // namespace View

#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <cairomm/context.h>
#include <gtkmm/drawingarea.h>
#include <sigc++/connection.h>
#include <sigc++/signal.h>

#include "common/cell_pos.hpp"
#include "common/cell_range.hpp"
#include "common/directions.hpp"
#include "common/point.hpp"
#include "common/rectangle.hpp"
#include "model/grid.hpp"
#include "render/drawer_context.hpp"
#include "render/drawers/drawer.hpp"
#include "render/drawers/drawer_list.hpp"

namespace Model {
class Workspace;
}

namespace View {

// The new value of the view offset's component along axis after the cursor
// moved to pos. vr is the visible rectangle in workspace pixels, gr the
// rectangle of the cursor's cell. A cell reaching past the far edge pulls the
// view so that it ends at the far edge of the cell after it; a cell starting
// before the near edge pushes the view back to the near edge of the cell
// before it (column -1 is empty at 0, so the view returns to the origin);
// otherwise the component stays at current.
double scroll_offset_component(CellDir axis, const CellPos& pos, const Rectangle& vr,
                               const Rectangle& gr, const Model::Grid& grid, double current);

// The visible area in workspace pixels for a view offset and a widget size:
// the offset's negation, truncated towards zero, and the size.
Rectangle visible_rect(const Point& offset, int32_t width, int32_t height);

// Gives dc a new opaque surface of the widget's allocated size, similar to
// its window. Does nothing while the widget has no window.
void configure_widget(DrawerContext& dc, Gtk::Widget& widget);

// The drawing surface of the workspace. It paints nothing itself: its
// drawers paint, in a fixed order, into the off-screen surface of its drawing
// context, which also holds the view offset, the cell cursor and the selected
// range. It keeps the cell cursor in view.
class Canvas : public Gtk::DrawingArea {
  public:
    explicit Canvas(std::shared_ptr<Model::Workspace> ws);
    ~Canvas() override;

    const std::shared_ptr<Model::Workspace>& get_ws() const { return m_ws; }
    // The workspace's current grid (a new document brings a new one).
    Model::Grid& get_grid() const;
    const std::shared_ptr<WorkspaceDrawerContext>& get_dc() const { return m_dc; }
    const DrawerList& get_drawers() const { return m_drawers; }

    // Queues a redraw; painting never happens from inside a model signal.
    void update();
    // Moves the view along one axis so that the cell at pos is in view with
    // one neighbouring cell of margin on the side it moved to.
    void scroll(CellDir axis, const CellPos& pos, const Rectangle& vr, const Rectangle& gr);
    // Records the cell cursor and scrolls it into view. Does not redraw.
    void set_cell_pos(const CellPos& pos);
    const CellPos& get_cell_pos() const;
    // Scrolls as set_cell_pos does, for a cell that is not the cursor.
    void scroll_into_view(const CellPos& pos);
    // std::nullopt clears the selection.
    void set_selected_cell_range(const std::optional<CellRange>& range);
    const std::optional<CellRange>& get_selected_cell_range() const;

    // "view-offset"
    Point get_view_offset() const;
    void set_view_offset(const Point& offset);
    sigc::signal<void()>& signal_view_offset_changed() { return m_signal_view_offset_changed; }

    // The visible area in workspace pixels (the drawing context's get_rect).
    Rectangle get_rect() const;

    // ---- zoom and free scrolling -------------------------------------------
    // The view's scale: widget pixels per workspace pixel, Zoom::MIN..MAX.
    // It changes only what the screen shows, never the document or exports.
    double get_zoom() const;
    // Sets the zoom (clamped) keeping the workspace point under the widget
    // pixel anchor in place.
    void set_zoom(double level, const Point& anchor);
    // Sets the zoom around the middle of the view, or around the cell at pos
    // while it is in view, and then scrolls that cell into view.
    void zoom_keeping_cell(double level, const CellPos& pos);
    // Shows the whole diagram and the cell at pos, as large as fits.
    void zoom_to_fit(const CellPos& pos);
    sigc::signal<void()>& signal_zoom_changed() { return m_signal_zoom_changed; }
    // Moves the view by (dx, dy) widget pixels, never past the first or the
    // last cell there can be. The cell cursor stays where it is.
    void scroll_by(double dx, double dy);
    // A widget pixel in workspace pixels, through the offset and the zoom.
    Point wnd_to_ws(const Point& wnd) const;

  protected:
    bool on_configure_event(GdkEventConfigure* event) override;
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    // The wheel and the touchpad scroll; with Control they zoom around the
    // pointer.
    bool on_scroll_event(GdkEventScroll* event) override;

  private:
    void set_view_offset_component(CellDir axis, double value);
    // The visible area that cursor scrolling judges.
    Rectangle get_scroll_rect() const;
    Point clamped(const Point& offset) const;

    sigc::signal<void()> m_signal_zoom_changed;

    std::shared_ptr<Model::Workspace> m_ws;
    std::shared_ptr<WorkspaceDrawerContext> m_dc;
    DrawerList m_drawers;
    sigc::connection m_update_connection;
    sigc::signal<void()> m_signal_view_offset_changed;
};

}  // namespace View

#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <cairomm/context.h>
#include <cairomm/region.h>
#include <cairomm/surface.h>

#include "common/cell_pos.hpp"
#include "common/cell_range.hpp"
#include "common/point.hpp"
#include "common/rectangle.hpp"
#include "render/color_map.hpp"

namespace Model {
class Grid;
class Workspace;
}  // namespace Model

namespace View {

// An off-screen surface, the cairo context on it and the view offset that
// turns workspace pixels into surface pixels. Drawers paint through it in
// workspace pixels: the translation by the offset is always in place.
// Until one of the configure operations ran there is no surface and no
// cairo context, and drawers must not be run.
class DrawerContext {
  public:
    DrawerContext();
    virtual ~DrawerContext();
    DrawerContext(const DrawerContext&) = delete;
    DrawerContext& operator=(const DrawerContext&) = delete;

    // Re-applies identity + translation by the offset; nothing without a cr.
    void update_cr_offset();
    // A new 32-bit ARGB image surface of w x h (negative sizes become 0).
    // An image larger than MAX_IMG_SIDE on a side or MAX_IMG_PIXELS in all
    // is refused: false, with no surface left, so nothing is painted.
    bool configure_img(int32_t w, int32_t h);
    static constexpr int32_t MAX_IMG_SIDE = 32767;
    static constexpr int64_t MAX_IMG_PIXELS = int64_t{1} << 27;
    // Whether configure_img would make an image of w x h.
    static constexpr bool fits_image(int32_t w, int32_t h) {
        return w <= MAX_IMG_SIDE && h <= MAX_IMG_SIDE && int64_t{w} * h <= MAX_IMG_PIXELS;
    }

    // The translation from workspace to surface pixels. Every setter
    // re-applies it to the cairo context at once, so the next frame is shifted.
    Point get_offset() const { return m_offset; }
    void set_offset(const Point& offset);
    void set_offset_x(double x);
    void set_offset_y(double y);

    // Workspace pixels per surface pixel's side: 2 paints for a screen of
    // twice the density. 1 unless set.
    double get_scale() const { return m_scale; }
    void set_scale(double scale);
    // Where the surface lies in a larger image, in whole surface pixels: an
    // image painted in bands gives each band's surface its top-left corner.
    // Lines are snapped in surface pixels, so the bands of one image meet
    // exactly. (0, 0) unless set.
    void set_device_origin(int32_t x, int32_t y);

    // Whether the cursor, the selection and the text caret are painted.
    // Screens show them; exports never do, whatever the editor is doing.
    bool get_shows_edit_state() const { return m_shows_edit_state; }
    void set_shows_edit_state(bool shows) { m_shows_edit_state = shows; }

    // Whether class boxes show their texts. A view zoomed out too far to
    // read them leaves them out; exports always show them.
    bool get_draws_texts() const { return m_draws_texts; }
    void set_draws_texts(bool draws) { m_draws_texts = draws; }
    // The width of a 1-pixel line in workspace pixels: 1, or in a view too
    // far out for texts one screen pixel, so that lines stay visible there
    // (at 10 % a 1-pixel line would cover a tenth of a pixel).
    double get_line_unit() const { return m_draws_texts ? 1.0 : 1.0 / m_scale; }

    // The visible area in workspace pixels: origin at minus the offset
    // (truncated towards zero), size of the surface. With a scale or a device
    // origin it is widened to whole pixels on every side instead.
    Cairo::RectangleInt get_rect() const;
    // A region of the single rectangle get_rect().
    Cairo::RefPtr<Cairo::Region> get_region() const;

    const Cairo::RefPtr<Cairo::Surface>& get_surface() const { return m_surface; }
    const Cairo::RefPtr<Cairo::Context>& get_cr() const { return m_cr; }
    int32_t get_width() const { return m_width; }
    int32_t get_height() const { return m_height; }

    // Thin horizontal and vertical strokes centred on a pixel boundary cover
    // two pixels at half strength: a grey, blurred line. These two move
    // geometry by less than a pixel so that such strokes and the areas they
    // outline cover whole pixels. They work in surface pixels, through the
    // offset, scale and device origin, so any view offset (fractional too)
    // gives sharp lines. They need no surface: the SVG writer snaps the same
    // way as the image.
    //
    // p moved so that a horizontal or vertical stroke of line_width through
    // it covers whole pixels: for odd widths each surface coordinate moves
    // to the centre of the pixel that contains it, for even widths to a
    // pixel boundary. Snapping every vertex of a polyline this way keeps its
    // pieces meeting.
    Point snap_line_point(const Point& p, double line_width = 1.0) const;
    // r with each edge moved to the nearest pixel boundary.
    Rectangle snap_rect(const Rectangle& r) const;

    const std::shared_ptr<ColorMap>& get_color_map() const { return m_color_map; }
    void set_color_map(std::shared_ptr<ColorMap> color_map);

    // Paints onto a surface made elsewhere (an SVG or PDF page) of w x h.
    void configure_surface(Cairo::RefPtr<Cairo::Surface> surface, int32_t w, int32_t h) {
        replace_surface(std::move(surface), w, h);
    }

  private:
    // Workspace to surface pixels and back, as the cairo context maps them.
    double to_device_x(double x) const;
    double to_device_y(double y) const;
    double to_user_x(double x) const;
    double to_user_y(double y) const;
    void replace_surface(Cairo::RefPtr<Cairo::Surface> surface, int32_t w, int32_t h);

    Cairo::RefPtr<Cairo::Surface> m_surface;
    Cairo::RefPtr<Cairo::Context> m_cr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    std::shared_ptr<ColorMap> m_color_map;
    Point m_offset;
    double m_scale = 1.0;
    int32_t m_origin_x = 0;
    int32_t m_origin_y = 0;
    bool m_shows_edit_state = true;
    bool m_draws_texts = true;
};

// The drawing context of the canvas and the PNG export: it also carries the
// workspace shown, the cell cursor and the selected range.
class WorkspaceDrawerContext : public DrawerContext {
  public:
    explicit WorkspaceDrawerContext(std::shared_ptr<Model::Workspace> ws);

    const std::shared_ptr<Model::Workspace>& get_ws() const { return m_ws; }
    Model::Grid& get_grid() const;

    const CellPos& get_cell_pos() const { return m_cell_pos; }
    void set_cell_pos(const CellPos& pos) { m_cell_pos = pos; }
    // Nothing selected: nullopt.
    const std::optional<CellRange>& get_selected_range() const { return m_selected_range; }
    void set_selected_range(const std::optional<CellRange>& range) { m_selected_range = range; }

  private:
    std::shared_ptr<Model::Workspace> m_ws;
    CellPos m_cell_pos;
    std::optional<CellRange> m_selected_range;
};

}  // namespace View

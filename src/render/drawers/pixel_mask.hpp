#pragma once

#include <cstdint>
#include <vector>

#include <cairomm/context.h>

#include "common/rectangle.hpp"

namespace View {

// Many small rectangles that cover whole device pixels, painted in one
// pass. A zoomed-out frame of a large diagram is thousands of one-pixel
// lines; cairo spends far more on one path of that many rectangles than it
// takes to mark their pixels in a coverage mask and paint the source
// through it once. The pixels are the same as the path's wherever a
// rectangle's edges lie on pixel boundaries, which is how the drawers snap
// them.
class PixelMask {
  public:
    // Reads the context's transformation and clip as they are now. Not
    // usable (add and paint then do nothing) when the transformation is more
    // than a scale and a translation, or the clip is empty.
    explicit PixelMask(const Cairo::RefPtr<Cairo::Context>& cr);

    bool usable() const { return m_usable; }
    // The device pixels the clip covers; 0 when not usable.
    int64_t pixels() const;
    // A rectangle in user space; its device pixels are covered, at least
    // one on each axis.
    void add(double x, double y, double width, double height);
    // Paints the context's current source through the covered pixels.
    void paint(const Cairo::RefPtr<Cairo::Context>& cr) const;

  private:
    bool m_usable = false;
    double m_xx = 1.0;
    double m_yy = 1.0;
    double m_x0 = 0.0;
    double m_y0 = 0.0;
    int32_t m_left = 0;
    int32_t m_top = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_stride = 0;
    // Empty until the first rectangle is marked.
    std::vector<uint8_t> m_coverage;
};

// Fills the rectangles (user space, on whole device pixels) with the
// current source: through a mask when there are many for the area, as one
// path otherwise, where the mask's own cost would not pay off.
void fill_pixel_rectangles(const Cairo::RefPtr<Cairo::Context>& cr,
                           const std::vector<Rectangle>& rectangles);

}  // namespace View

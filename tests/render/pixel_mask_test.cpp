#include "render/drawers/pixel_mask.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <cairomm/surface.h>

namespace {

struct Frame {
    Cairo::RefPtr<Cairo::ImageSurface> surface;
    Cairo::RefPtr<Cairo::Context> cr;
};

// A frame as the canvas gets one: a surface with a device offset, a clip,
// a zoom and a scroll offset.
Frame frame(double scale, double dx, double dy, int clip_x, int clip_y) {
    Frame f;
    f.surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, 160, 120);
    f.surface->set_device_offset(3, -2);
    f.cr = Cairo::Context::create(f.surface);
    f.cr->rectangle(clip_x, clip_y, 150 - clip_x, 110 - clip_y);
    f.cr->clip();
    f.cr->scale(scale, scale);
    f.cr->translate(dx, dy);
    f.cr->set_source_rgb(0.2, 0.4, 0.6);
    return f;
}

std::vector<uint32_t> pixels(const Cairo::RefPtr<Cairo::ImageSurface>& s) {
    s->flush();
    std::vector<uint32_t> out;
    for (int y = 0; y < s->get_height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(s->get_data() + y * s->get_stride());
        out.insert(out.end(), row, row + s->get_width());
    }
    return out;
}

}  // namespace

// Rectangles on whole device pixels come out the same through the mask as
// through a cairo path, whatever the zoom, scroll, clip and device offset;
// enough of them take the mask, a few the path. Vector targets never take it.
TEST(PixelMaskTest, PaintsTheSamePixelsAsAPathAtAnyScaleAndClipButNeverOnVectors) {
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        const double scale = std::uniform_real_distribution<double>(0.1, 2.0)(rng);
        const double dx = std::uniform_int_distribution<int>(-40, 40)(rng);
        const double dy = std::uniform_int_distribution<int>(-40, 40)(rng);
        const int clip_x = std::uniform_int_distribution<int>(0, 60)(rng);
        const int clip_y = std::uniform_int_distribution<int>(0, 40)(rng);
        const int count = round % 4 == 0 ? 3 : 200;
        Frame a = frame(scale, dx, dy, clip_x, clip_y);
        Frame b = frame(scale, dx, dy, clip_x, clip_y);
        // Whole device pixels, some of them partly or wholly off the clip.
        std::uniform_int_distribution<int> px(-20, 180);
        std::uniform_int_distribution<int> len(1, 30);
        std::vector<Rectangle> rects;
        for (int i = 0; i < count; ++i) {
            double x0 = px(rng);
            double y0 = px(rng);
            double x1 = x0 + (i % 2 ? len(rng) : 1);
            double y1 = y0 + (i % 2 ? 1 : len(rng));
            a.cr->device_to_user(x0, y0);
            a.cr->device_to_user(x1, y1);
            rects.emplace_back(x0, y0, x1 - x0, y1 - y0);
        }
        View::fill_pixel_rectangles(a.cr, rects);
        for (const Rectangle& r : rects) {
            b.cr->rectangle(r.x, r.y, r.width, r.height);
        }
        b.cr->fill();
        ASSERT_EQ(pixels(a.surface), pixels(b.surface))
            << "round " << round << " scale " << scale << " count " << count;
    }
    // Vector targets keep real geometry: no bitmap goes into a PDF or SVG.
    auto svg = Cairo::SvgSurface::create("/dev/null", 100, 100);
    EXPECT_FALSE(View::PixelMask(Cairo::Context::create(svg)).usable());
    auto image = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, 100, 100);
    EXPECT_TRUE(View::PixelMask(Cairo::Context::create(image)).usable());
}

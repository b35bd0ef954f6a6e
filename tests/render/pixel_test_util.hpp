#pragma once

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <vector>

#include <cairomm/surface.h>

#include "render/rgba.hpp"

// Reading back what the drawers painted on an image surface.
namespace pixel_test {

struct Px {
    int r = 0;
    int g = 0;
    int b = 0;
    int a = 0;
    bool operator==(const Px& o) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Px& p) {
    return os << "rgba(" << p.r << "," << p.g << "," << p.b << "," << p.a << ")";
}

// The un-premultiplied pixel at (x, y) of an ARGB32 or RGB24 image surface.
inline Px at(const Cairo::RefPtr<Cairo::Surface>& surface, int x, int y) {
    auto img = Cairo::RefPtr<Cairo::ImageSurface>::cast_dynamic(surface);
    if (!img || x < 0 || y < 0 || x >= img->get_width() || y >= img->get_height()) {
        return Px{-1, -1, -1, -1};
    }
    img->flush();
    const unsigned char* row = img->get_data() + y * img->get_stride();
    uint32_t v = reinterpret_cast<const uint32_t*>(row)[x];
    int a = img->get_format() == Cairo::FORMAT_ARGB32 ? static_cast<int>((v >> 24) & 0xff) : 255;
    auto un = [a](uint32_t c) { return a == 0 ? 0 : static_cast<int>((c * 255 + a / 2) / a); };
    return Px{un((v >> 16) & 0xff), un((v >> 8) & 0xff), un(v & 0xff), a};
}

inline Px of(const View::Rgba& c) {
    auto to8 = [](double d) { return static_cast<int>(d * 255.0 + 0.5); };
    return Px{to8(c.get_red()), to8(c.get_green()), to8(c.get_blue()), to8(c.get_alpha())};
}

inline Px rgb(int r, int g, int b) {
    return Px{r, g, b, 255};
}

// Colours compared within a small tolerance for antialiasing and rounding.
inline bool near(const Px& p, const Px& q, int tol = 3) {
    return std::abs(p.r - q.r) <= tol && std::abs(p.g - q.g) <= tol && std::abs(p.b - q.b) <= tol &&
           std::abs(p.a - q.a) <= tol;
}

// Whether the pixel is darker than white by a clear margin (for black lines
// on a white image, where antialiasing gives greys).
inline bool inked(const Px& p) {
    return p.r + p.g + p.b < 3 * 255 - 90;
}

// The columns x0..x1 of row y whose pixel is exactly c.
inline std::vector<int> cols_of(const Cairo::RefPtr<Cairo::Surface>& s, int y, int x0, int x1,
                                const Px& c) {
    std::vector<int> xs;
    for (int x = x0; x <= x1; ++x) {
        if (at(s, x, y) == c) {
            xs.push_back(x);
        }
    }
    return xs;
}

// The rows y0..y1 of column x whose pixel is exactly c.
inline std::vector<int> rows_of(const Cairo::RefPtr<Cairo::Surface>& s, int x, int y0, int y1,
                                const Px& c) {
    std::vector<int> ys;
    for (int y = y0; y <= y1; ++y) {
        if (at(s, x, y) == c) {
            ys.push_back(y);
        }
    }
    return ys;
}

// Every integer from a to b.
inline std::vector<int> span(int a, int b) {
    std::vector<int> v;
    for (int i = a; i <= b; ++i) {
        v.push_back(i);
    }
    return v;
}

}  // namespace pixel_test

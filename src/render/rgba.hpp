#pragma once

namespace View {

// A colour as four components from 0 to 1, red, green and blue not
// premultiplied by alpha: what cairo takes as a source colour.
class Rgba {
  public:
    constexpr Rgba() = default;
    constexpr Rgba(double red, double green, double blue, double alpha = 1.0)
        : m_red(red), m_green(green), m_blue(blue), m_alpha(alpha) {}

    constexpr void set_rgba(double red, double green, double blue, double alpha = 1.0) {
        m_red = red;
        m_green = green;
        m_blue = blue;
        m_alpha = alpha;
    }
    constexpr double get_red() const { return m_red; }
    constexpr double get_green() const { return m_green; }
    constexpr double get_blue() const { return m_blue; }
    constexpr double get_alpha() const { return m_alpha; }

    constexpr bool operator==(const Rgba&) const = default;

  private:
    double m_red = 0.0;
    double m_green = 0.0;
    double m_blue = 0.0;
    double m_alpha = 0.0;
};

}  // namespace View

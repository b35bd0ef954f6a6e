#include "view/color_map.hpp"

#include <gdk/gdk.h>

#include "common/log.hpp"

namespace View {

namespace {

constexpr const char* SCREEN[] = {
    "#111", "#222", "#880", "rgba(136,136,0,0.5)", "#000", "#eee", "#310", "#fff",
    "#880", "#eee", "#880",
};

constexpr const char* EXPORT[] = {
    "#fff", "#0000", "#000", "rgba(136,136,0,0.5)", "#0000", "#000", "#0000", "#000",
    "#880", "#000",  "#000",
};

Gdk::RGBA parsed(const char* text) {
    Gdk::RGBA c;
    ColorMap::rgba_parse(text, c);
    return c;
}

}  // namespace

ColorMap::ColorMap()
    : ColorMap(Palette{SCREEN[0], SCREEN[1], SCREEN[2], SCREEN[3], SCREEN[4], SCREEN[5], SCREEN[6],
                       SCREEN[7], SCREEN[8], SCREEN[9], SCREEN[10]}) {}

ColorMap::ColorMap(const Palette& s) {
    set_background(parsed(s.background));
    set_grid(parsed(s.grid));
    set_active_cell_frame(parsed(s.active_cell_frame));
    set_selected_cell_fill(parsed(s.selected_cell_fill));
    set_element_fill(parsed(s.element_fill));
    set_element_line(parsed(s.element_line));
    set_active_element_fill(parsed(s.active_element_fill));
    set_active_element_line(parsed(s.active_element_line));
    set_active_connector_line(parsed(s.active_connector_line));
    set_text(parsed(s.text));
    set_selected_text(parsed(s.selected_text));
}

std::shared_ptr<ColorMap> ColorMap::new_for_export() {
    return std::shared_ptr<ColorMap>(
        new ColorMap(Palette{EXPORT[0], EXPORT[1], EXPORT[2], EXPORT[3], EXPORT[4], EXPORT[5],
                             EXPORT[6], EXPORT[7], EXPORT[8], EXPORT[9], EXPORT[10]}));
}

bool ColorMap::rgba_parse(const char* color, Gdk::RGBA& rgba) {
    rgba.set_rgba(0.0, 0.0, 0.0, 0.0);
    LX_RETURN_VAL_IF_FAIL(color != nullptr, false);
    // Parse into a scratch value so a half-read string cannot leave a
    // partial colour behind.
    GdkRGBA c{0.0, 0.0, 0.0, 0.0};
    if (!gdk_rgba_parse(&c, color)) {
        return false;
    }
    rgba.set_rgba(c.red, c.green, c.blue, c.alpha);
    return true;
}

}  // namespace View

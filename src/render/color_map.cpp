#include "render/color_map.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <glib.h>
#include <pango/pango.h>

#include "common/log.hpp"

namespace View {

namespace {

// The selected connector has a colour of its own (a clear blue), apart from
// the olive of the cell cursor, the selected range and selected text.
constexpr const char* SCREEN[] = {
    "#111", "#222", "#880", "rgba(136,136,0,0.5)", "#000", "#eee", "#310", "#fff",
    "#0cf", "#eee", "#880",
};

constexpr const char* EXPORT[] = {
    "#fff", "#0000", "#000", "rgba(136,136,0,0.5)", "#0000", "#000", "#0000", "#000",
    "#06c", "#000",  "#000",
};

// A finite number at s, moving s past it.
bool parse_number(const char*& s, double& value) {
    char* end = nullptr;
    value = g_ascii_strtod(s, &end);
    if (end == s || !std::isfinite(value)) {
        return false;
    }
    s = end;
    return true;
}

// One component of "rgb(...)": a number from 0 to 255 or a percentage,
// scaled to 0..1 and clamped.
bool parse_rgb_value(const char*& s, double& value) {
    if (!parse_number(s, value)) {
        return false;
    }
    if (*s == '%') {
        ++s;
        value = std::clamp(value / 100.0, 0.0, 1.0);
    } else {
        value = std::clamp(value / 255.0, 0.0, 1.0);
    }
    return true;
}

void skip_spaces(const char*& s) {
    while (g_ascii_isspace(*s)) {
        ++s;
    }
}

bool expect_char(const char*& s, char c) {
    skip_spaces(s);
    if (*s != c) {
        return false;
    }
    ++s;
    skip_spaces(s);
    return true;
}

// The CSS functions rgb() and rgba(); everything else (names, "#rgb" up to
// "#rrrrggggbbbbaaaa") is Pango's colour table and hexadecimal reader.
bool parse_color(const char* text, Rgba& out) {
    bool has_alpha = false;
    const char* s = text;
    if (std::strncmp(s, "rgba", 4) == 0) {
        has_alpha = true;
        s += 4;
    } else if (std::strncmp(s, "rgb", 3) == 0) {
        s += 3;
    } else {
        PangoColor pc;
        guint16 alpha = 0xffff;
        if (!pango_color_parse_with_alpha(&pc, &alpha, text)) {
            return false;
        }
        out.set_rgba(pc.red / 65535.0, pc.green / 65535.0, pc.blue / 65535.0, alpha / 65535.0);
        return true;
    }
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    double a = 1.0;
    if (!expect_char(s, '(') || !parse_rgb_value(s, r) || !expect_char(s, ',') ||
        !parse_rgb_value(s, g) || !expect_char(s, ',') || !parse_rgb_value(s, b)) {
        return false;
    }
    if (has_alpha) {
        if (!expect_char(s, ',')) {
            return false;
        }
        if (!parse_number(s, a)) {
            return false;
        }
        a = std::clamp(a, 0.0, 1.0);
    }
    if (!expect_char(s, ')') || *s != '\0') {
        return false;
    }
    out.set_rgba(r, g, b, a);
    return true;
}

Rgba parsed(const char* text) {
    Rgba c;
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

bool ColorMap::rgba_parse(const char* color, Rgba& rgba) {
    rgba.set_rgba(0.0, 0.0, 0.0, 0.0);
    LX_RETURN_VAL_IF_FAIL(color != nullptr, false);
    // Parse into a scratch value so a half-read string cannot leave a
    // partial colour behind.
    Rgba c;
    if (!parse_color(color, c)) {
        return false;
    }
    rgba = c;
    return true;
}

}  // namespace View

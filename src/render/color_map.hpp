#pragma once

#include <memory>

#include "render/rgba.hpp"

namespace View {

// The named colours every drawer paints with. The screen and the exported
// image use the same drawers; only this map (and the surface) differ.
class ColorMap {
  public:
    // The screen map: light lines on a dark background.
    ColorMap();
    // The paper map: black on white, grid and box fills transparent.
    static std::shared_ptr<ColorMap> new_for_export();

    // Resets rgba to transparent black, then reads color (names, "#rgb",
    // "#rrggbb", ..., "rgb(...)", "rgba(...)"). Unreadable text keeps the
    // zeros, which is how "#0000" means "draw nothing". Returns whether the
    // text was understood.
    static bool rgba_parse(const char* color, Rgba& rgba);

    const Rgba& get_background() const { return m_background; }
    void set_background(const Rgba& c) { m_background = c; }
    const Rgba& get_grid() const { return m_grid; }
    void set_grid(const Rgba& c) { m_grid = c; }
    const Rgba& get_active_cell_frame() const { return m_active_cell_frame; }
    void set_active_cell_frame(const Rgba& c) { m_active_cell_frame = c; }
    const Rgba& get_selected_cell_fill() const { return m_selected_cell_fill; }
    void set_selected_cell_fill(const Rgba& c) { m_selected_cell_fill = c; }
    const Rgba& get_element_fill() const { return m_element_fill; }
    void set_element_fill(const Rgba& c) { m_element_fill = c; }
    const Rgba& get_element_line() const { return m_element_line; }
    void set_element_line(const Rgba& c) { m_element_line = c; }
    const Rgba& get_active_element_fill() const { return m_active_element_fill; }
    void set_active_element_fill(const Rgba& c) { m_active_element_fill = c; }
    const Rgba& get_active_element_line() const { return m_active_element_line; }
    void set_active_element_line(const Rgba& c) { m_active_element_line = c; }
    const Rgba& get_active_connector_line() const { return m_active_connector_line; }
    void set_active_connector_line(const Rgba& c) { m_active_connector_line = c; }
    const Rgba& get_text() const { return m_text; }
    void set_text(const Rgba& c) { m_text = c; }
    const Rgba& get_selected_text() const { return m_selected_text; }
    void set_selected_text(const Rgba& c) { m_selected_text = c; }

  private:
    struct Palette {
        const char* background;
        const char* grid;
        const char* active_cell_frame;
        const char* selected_cell_fill;
        const char* element_fill;
        const char* element_line;
        const char* active_element_fill;
        const char* active_element_line;
        const char* active_connector_line;
        const char* text;
        const char* selected_text;
    };
    explicit ColorMap(const Palette& palette);

    Rgba m_background;
    Rgba m_grid;
    Rgba m_active_cell_frame;
    Rgba m_selected_cell_fill;
    Rgba m_element_fill;
    Rgba m_element_line;
    Rgba m_active_element_fill;
    Rgba m_active_element_line;
    Rgba m_active_connector_line;
    Rgba m_text;
    Rgba m_selected_text;
};

}  // namespace View

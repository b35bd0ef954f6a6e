#include "view/exporting_canvas.hpp"

#include <cmath>
#include <utility>

#include <cairo.h>
#include <glibmm/fileutils.h>

#include "common/log.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "view/drawers/drawer_list.hpp"

namespace View {

namespace {

int32_t truncate_size(double d) {
    if (!(d > 0.0)) {
        return 0;
    }
    // Anything beyond int32 is refused by configure_img anyway.
    return d >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(d);
}

cairo_status_t append_to_string(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

ExportingCnavas::ExportingCnavas(std::shared_ptr<Model::Workspace> ws, const Rectangle& rect)
    : m_ws(std::move(ws)), m_dc(std::make_shared<WorkspaceDrawerContext>(m_ws)) {
    rect.debug_print("");
    m_dc->set_offset_x(-rect.x);
    m_dc->set_offset_y(-rect.y);
    m_dc->configure_img(truncate_size(rect.width), truncate_size(rect.height));
    m_dc->set_color_map(ColorMap::new_for_export());
}

Rectangle ExportingCnavas::get_export_area(const Model::Grid& grid,
                                           const std::optional<CellRange>& selected_range) {
    CellRange range = selected_range.value_or(DEFAULT_RANGE);
    // A range straight from a mouse drag may run in any direction; the grid
    // wants its start at the top-left.
    range.ensure_consistency();
    return grid.get_rectangle_range(range);
}

std::shared_ptr<ExportingCnavas> ExportingCnavas::new_for_selection(
    std::shared_ptr<Model::Workspace> ws, const std::optional<CellRange>& selected_range) {
    LX_RETURN_VAL_IF_FAIL(ws != nullptr, nullptr);
    Rectangle area = get_export_area(*ws->get_grid(), selected_range);
    return std::make_shared<ExportingCnavas>(std::move(ws), area);
}

bool ExportingCnavas::export_(const std::string& file_path) {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    if (!m_dc->get_cr()) {
        LX_DEBUG("nothing exported to %s: the image could not be made", file_path.c_str());
        return false;
    }
    draw_all(new_export_drawers(m_dc), *m_dc);

    // Encode into memory first: the file is then replaced in one step, and an
    // unwritable path leaves whatever was there before untouched.
    std::string png;
    m_dc->get_surface()->flush();
    cairo_status_t st =
        cairo_surface_write_to_png_stream(m_dc->get_surface()->cobj(), append_to_string, &png);
    if (st != CAIRO_STATUS_SUCCESS) {
        LX_DEBUG("PNG encoding failed: %s", cairo_status_to_string(st));
        return false;
    }
    try {
        Glib::file_set_contents(file_path, png);
    } catch (const Glib::Error& e) {
        LX_DEBUG("%s", e.what().c_str());
        return false;
    }
    return true;
}

}  // namespace View

#include "render/exporting_canvas.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <glib.h>
#include <glibmm/fileutils.h>

#include "common/log.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "render/color_map.hpp"
#include "render/drawers/drawer_list.hpp"

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

std::optional<ExportFormat> export_format_for_path(const std::string& path) {
    size_t dot = path.rfind('.');
    size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::nullopt;
    }
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(g_ascii_tolower(c)); });
    if (ext == "png") {
        return ExportFormat::PNG;
    }
    if (ext == "svg") {
        return ExportFormat::SVG;
    }
    if (ext == "pdf") {
        return ExportFormat::PDF;
    }
    return std::nullopt;
}

ExportingCnavas::ExportingCnavas(std::shared_ptr<Model::Workspace> ws, const Rectangle& rect)
    : m_ws(std::move(ws)), m_rect(rect), m_dc(std::make_shared<WorkspaceDrawerContext>(m_ws)) {
    rect.debug_print("");
    m_dc->set_offset_x(-rect.x);
    m_dc->set_offset_y(-rect.y);
    m_dc->set_color_map(ColorMap::new_for_export());
}

const std::shared_ptr<WorkspaceDrawerContext>& ExportingCnavas::get_dc() {
    if (!m_image_made) {
        m_image_made = true;
        m_dc->configure_img(truncate_size(m_rect.width), truncate_size(m_rect.height));
    }
    return m_dc;
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

bool ExportingCnavas::export_(const std::string& file_path, ExportFormat format,
                              std::string* error) {
    std::string message;
    std::string data;
    bool ok = render(format, data, message);
    if (ok) {
        // Encoded into memory first: the file is then replaced in one step,
        // and an unwritable path leaves whatever was there before untouched.
        try {
            Glib::file_set_contents(file_path, data);
        } catch (const Glib::Error& e) {
            message = e.what();
            ok = false;
        }
    }
    if (!ok) {
        LX_DEBUG("nothing exported to %s: %s", file_path.c_str(), message.c_str());
        if (error != nullptr) {
            *error = message;
        }
    }
    return ok;
}

bool ExportingCnavas::render(ExportFormat format, std::string& out, std::string& error) {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    if (format == ExportFormat::PNG) {
        return render_png(out, error);
    }
    return render_vector(format, out, error);
}

bool ExportingCnavas::render_png(std::string& out, std::string& error) {
    if (!get_dc()->get_cr()) {
        error = "the image could not be made";
        return false;
    }
    draw_all(new_export_drawers(m_dc), *m_dc);
    m_dc->get_surface()->flush();
    cairo_status_t st =
        cairo_surface_write_to_png_stream(m_dc->get_surface()->cobj(), append_to_string, &out);
    if (st != CAIRO_STATUS_SUCCESS) {
        error = cairo_status_to_string(st);
        return false;
    }
    return true;
}

bool ExportingCnavas::render_vector(ExportFormat format, std::string& out, std::string& error) {
    // The same limits as an image: beyond them the area is not worth a page.
    if (!DrawerContext::fits_image(truncate_size(m_rect.width), truncate_size(m_rect.height))) {
        error = "the area is too large";
        return false;
    }
    cairo_surface_t* raw = format == ExportFormat::PDF
                               ? cairo_pdf_surface_create_for_stream(append_to_string, &out,
                                                                     m_rect.width, m_rect.height)
                               : cairo_svg_surface_create_for_stream(append_to_string, &out,
                                                                     m_rect.width, m_rect.height);
    auto surface = Cairo::RefPtr<Cairo::Surface>(new Cairo::Surface(raw, true));
    auto dc = std::make_shared<WorkspaceDrawerContext>(m_ws);
    dc->set_offset(m_dc->get_offset());
    dc->configure_surface(surface, static_cast<int32_t>(m_rect.width),
                          static_cast<int32_t>(m_rect.height));
    dc->set_color_map(m_dc->get_color_map());
    draw_all(new_export_drawers(dc), *dc);
    dc.reset();
    surface->finish();
    cairo_status_t st = cairo_surface_status(raw);
    if (st != CAIRO_STATUS_SUCCESS) {
        error = cairo_status_to_string(st);
        return false;
    }
    return true;
}

}  // namespace View

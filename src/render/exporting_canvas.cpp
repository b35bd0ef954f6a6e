#include "render/exporting_canvas.hpp"

#include <algorithm>
#include <cmath>
#include <array>
#include <system_error>
#include <thread>
#include <utility>

#include <cairo-pdf.h>
#include <cairo.h>
#include <glib.h>
#include <glibmm/fileutils.h>

#include "common/log.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "render/color_map.hpp"
#include "render/connector_labels.hpp"
#include "render/drawers/connector_drawers.hpp"
#include "render/drawers/drawer_list.hpp"
#include "render/png_writer.hpp"
#include "render/svg_writer.hpp"

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
    m_dc->set_shows_edit_state(false);
}

void ExportingCnavas::set_scale(double scale) {
    LX_RETURN_IF_FAIL(scale > 0.0 && std::isfinite(scale));
    m_scale = scale;
}

int32_t ExportingCnavas::get_image_width() const {
    return truncate_size(m_rect.width * m_scale);
}

int32_t ExportingCnavas::get_image_height() const {
    return truncate_size(m_rect.height * m_scale);
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
    Rectangle area = area_with_labels(*ws, get_export_area(*ws->get_grid(), selected_range));
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

bool ExportingCnavas::export_to_memory(ExportFormat format, std::string& out, std::string* error) {
    std::string message;
    out.clear();
    if (!render(format, out, message)) {
        out.clear();
        if (error != nullptr) {
            *error = message;
        }
        return false;
    }
    return true;
}

bool ExportingCnavas::render(ExportFormat format, std::string& out, std::string& error) {
    LX_RETURN_VAL_IF_FAIL(m_ws != nullptr, false);
    // Beyond the image limits the area is not worth a page either.
    if (!fits_export(m_rect.width, m_rect.height)) {
        error = "the area is too large to export";
        return false;
    }
    switch (format) {
        case ExportFormat::PNG:
            return render_png(out, error);
        case ExportFormat::SVG: {
            SvgWriter svg(m_ws, m_rect, m_dc->get_color_map());
            return svg.write(out, error);
        }
        case ExportFormat::PDF:
            return render_pdf(out, error);
    }
    return false;
}

namespace {

bool is_grey(const Rgba& c) {
    return c.get_red() == c.get_green() && c.get_green() == c.get_blue();
}

// Bytes of bitmap painted at a time, twice over. Every band walks all
// classes and connectors again, so fewer bands pay: at 1000 classes 4 MiB
// bands took 1.0 s, 16 MiB bands 0.7 s at 66 MiB peak.
constexpr int64_t BAND_BYTES = int64_t{16} << 20;

}  // namespace

bool ExportingCnavas::render_png(std::string& out, std::string& error) {
    const int32_t w = get_image_width();
    const int32_t h = get_image_height();
    if (!fits_export(w, h)) {
        error = "the image would be too large";
        return false;
    }
    if (w == 0 || h == 0) {
        error = "the area is empty";
        return false;
    }
    const ColorMap& colors = *m_dc->get_color_map();
    // What an export paints: on an opaque grey background, grey lines,
    // fills and text mix only into greys.
    const bool grey = colors.get_background().get_alpha() == 1.0 &&
                      is_grey(colors.get_background()) && is_grey(colors.get_element_fill()) &&
                      is_grey(colors.get_element_line()) && is_grey(colors.get_text());
    PngWriter png(out, w, h, grey ? PngWriter::ColorType::GREY : PngWriter::ColorType::RGBA);

    // The image is painted and encoded a band of rows at a time, so a large
    // diagram never holds its whole bitmap, and one band is encoded on a
    // second thread while the next is painted. Painting stays on this
    // thread: the model's text layouts are not shared between threads.
    const int32_t band_h =
        static_cast<int32_t>(std::clamp<int64_t>(BAND_BYTES / (int64_t{4} * w), 16, h));
    struct Band {
        std::shared_ptr<WorkspaceDrawerContext> dc;
        DrawerList drawers;
    };
    std::array<Band, 2> bands;
    const auto held = std::make_shared<HeldConnectors>();
    for (Band& b : bands) {
        b.dc = std::make_shared<WorkspaceDrawerContext>(m_ws);
        b.dc->set_color_map(m_dc->get_color_map());
        b.dc->set_shows_edit_state(false);
        b.dc->set_offset(m_dc->get_offset());
        b.dc->set_scale(m_scale);
        if (!b.dc->configure_img(w, std::min(band_h, h))) {
            error = "the image could not be made";
            return false;
        }
        b.drawers = new_export_drawers(b.dc, held);
    }
    std::thread encoder;
    auto encode = [&png](const Band& b, int32_t rows) {
        auto img = Cairo::RefPtr<Cairo::ImageSurface>::cast_dynamic(b.dc->get_surface());
        png.add_rows(img->get_data(), img->get_stride(), rows);
    };
    int k = 0;
    for (int32_t y0 = 0; y0 < h; y0 += band_h, ++k) {
        Band& b = bands[k % 2];
        const int32_t rows = std::min(band_h, h - y0);
        b.dc->set_device_origin(0, y0);
        draw_all(b.drawers, *b.dc);
        b.dc->get_surface()->flush();
        if (encoder.joinable()) {
            encoder.join();
        }
        try {
            encoder = std::thread(encode, std::cref(b), rows);
        } catch (const std::system_error&) {
            encode(b, rows);  // no thread to be had: encode here
        }
    }
    if (encoder.joinable()) {
        encoder.join();
    }
    if (!png.finish()) {
        error = "PNG encoding failed";
        return false;
    }
    return true;
}

bool ExportingCnavas::render_pdf(std::string& out, std::string& error) {
    cairo_surface_t* raw =
        cairo_pdf_surface_create_for_stream(append_to_string, &out, m_rect.width, m_rect.height);
    auto surface = Cairo::RefPtr<Cairo::Surface>(new Cairo::Surface(raw, true));
    auto dc = std::make_shared<WorkspaceDrawerContext>(m_ws);
    dc->set_offset(m_dc->get_offset());
    dc->configure_surface(surface, static_cast<int32_t>(m_rect.width),
                          static_cast<int32_t>(m_rect.height));
    dc->set_color_map(m_dc->get_color_map());
    dc->set_shows_edit_state(false);
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

#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/cell_range.hpp"
#include "common/rectangle.hpp"
#include "render/drawer_context.hpp"

namespace Model {
class Grid;
class Workspace;
}  // namespace Model

namespace View {

enum class ExportFormat { PNG, SVG, PDF };

// The format a file name asks for by its extension (".png", ".svg", ".pdf",
// in any case), or nullopt for any other name.
std::optional<ExportFormat> export_format_for_path(const std::string& path);

// An off-screen canvas for writing the diagram, or a part of it, as an image:
// the same drawers as the screen on a surface that covers exactly the
// exported rectangle, with the colour map meant for paper. The area is fixed
// at construction; the content is painted by export_().
class ExportingCnavas {
  public:
    // The cells exported when nothing is selected.
    static constexpr CellRange DEFAULT_RANGE{CellPos(0, 0), CellPos(16, 10)};

    // rect in workspace pixels; its top-left corner becomes pixel (0, 0) and
    // its size (truncated) the image size.
    ExportingCnavas(std::shared_ptr<Model::Workspace> ws, const Rectangle& rect);

    // The area for a selection, or the fixed default cells without one.
    static Rectangle get_export_area(const Model::Grid& grid,
                                     const std::optional<CellRange>& selected_range);
    // An exporting canvas over get_export_area for the workspace's grid.
    static std::shared_ptr<ExportingCnavas> new_for_selection(
        std::shared_ptr<Model::Workspace> ws, const std::optional<CellRange>& selected_range);

    // Surface pixels per workspace pixel in a PNG, for screens of a higher
    // density: 2 gives an image twice as wide and high. Vector formats are
    // written at their natural size. 1 unless set.
    double get_scale() const { return m_scale; }
    void set_scale(double scale);

    // The size of the PNG image in pixels.
    int32_t get_image_width() const;
    int32_t get_image_height() const;

    // The largest export. A PNG is painted a band of rows at a time, so
    // only its width is bound by the largest surface; its height and area
    // are bound by what a user can wait for (about 4 s at 2^29 pixels) and
    // what memory holds of the encoded file. Vector formats take the same
    // bounds in workspace pixels.
    static constexpr int32_t MAX_EXPORT_WIDTH = DrawerContext::MAX_IMG_SIDE;
    static constexpr int32_t MAX_EXPORT_HEIGHT = int32_t{1} << 20;
    static constexpr int64_t MAX_EXPORT_PIXELS = int64_t{1} << 29;
    static constexpr bool fits_export(double w, double h) {
        return w >= 0.0 && h >= 0.0 && w <= MAX_EXPORT_WIDTH && h <= MAX_EXPORT_HEIGHT &&
               w * h <= static_cast<double>(MAX_EXPORT_PIXELS);
    }

    // Paints background, classes and the fixed connectors in format and
    // writes the result to file_path. Never shows the cell cursor, the
    // selection, a selected connector or a text caret. The file is replaced only once the
    // whole image is encoded, so a failed export never leaves a partial file
    // over a good one. Returns whether the file was written; when it was
    // not, error (if given) says why.
    [[nodiscard]] bool export_(const std::string& file_path,
                               ExportFormat format = ExportFormat::PNG,
                               std::string* error = nullptr);

    // The same into memory, for writing elsewhere (standard output).
    [[nodiscard]] bool export_to_memory(ExportFormat format, std::string& out,
                                        std::string* error = nullptr);

    // A context over the whole area as the export paints it, without a
    // surface until one is configured on it.
    const std::shared_ptr<WorkspaceDrawerContext>& get_dc() const { return m_dc; }

  private:
    bool render(ExportFormat format, std::string& out, std::string& error);
    bool render_png(std::string& out, std::string& error);
    bool render_pdf(std::string& out, std::string& error);

    std::shared_ptr<Model::Workspace> m_ws;
    Rectangle m_rect;
    std::shared_ptr<WorkspaceDrawerContext> m_dc;
    double m_scale = 1.0;
};

}  // namespace View

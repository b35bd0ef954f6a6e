#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/cell_range.hpp"
#include "common/rectangle.hpp"
#include "view/drawer_context.hpp"

namespace Model {
class Grid;
class Workspace;
}  // namespace Model

namespace View {

// An off-screen canvas for writing the diagram, or a part of it, as a PNG
// image: the same drawers as the screen on an image surface that covers
// exactly the exported rectangle, with the colour map meant for paper.
// The area is fixed at construction; the content is painted by export_().
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

    // Paints background, classes and the fixed connectors, then writes the
    // image to file_path. The file is replaced only once the whole image is
    // encoded, so a failed export never leaves a partial file over a good
    // one. Returns false (with a debug message) when nothing was written.
    bool export_(const std::string& file_path);

    const std::shared_ptr<WorkspaceDrawerContext>& get_dc() const { return m_dc; }

  private:
    std::shared_ptr<Model::Workspace> m_ws;
    std::shared_ptr<WorkspaceDrawerContext> m_dc;
};

}  // namespace View

#pragma once

#include <memory>
#include <string>

#include "common/rectangle.hpp"

namespace Model {
class Workspace;
}

namespace View {

class ColorMap;

// Writes the diagram, or the part of it in an area, as SVG of its own
// making: text as text, one group per class and per connector, and the
// colours, line widths and font in one style block, so the picture can be
// searched, translated and restyled. The geometry is the PNG export's: the
// same snapped boxes, lines and decorations, in workspace pixels, with the
// viewBox on exactly the area.
//
//   <g class="class" id="class-0x0000abcd">: its rect, its divider lines,
//       one text per shown text (class "name", "block1", "block2") with one
//       tspan per line;
//   <g class="connector KIND" id="connector-0x...">: one polyline through
//       its route, then its end decorations as paths of class "end" and the
//       decoration's name ("open-arrow", "white-arrow", "white-diamond",
//       "black-diamond").
//
// A new kind of piece is one more method here and one more rule in the
// style block.
class SvgWriter {
  public:
    SvgWriter(std::shared_ptr<Model::Workspace> ws, const Rectangle& area,
              std::shared_ptr<ColorMap> colors);
    ~SvgWriter();
    SvgWriter(const SvgWriter&) = delete;
    SvgWriter& operator=(const SvgWriter&) = delete;

    // The whole document into out; false with a reason in error when the
    // XML writer failed.
    [[nodiscard]] bool write(std::string& out, std::string& error);

  private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace View

#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "common/directions.hpp"

namespace Model {

class Connectors;
class ElementContext;

// The font of connector labels, a little smaller than the classes' texts.
inline constexpr const char* LABEL_FONT = "Sans 13px";

// How far an end label keeps from the class side, and the length of the
// longest end decoration: past it a label clears every decoration of its
// side.
inline constexpr double LABEL_OFF_CLASS = 3.0;
inline constexpr double LABEL_DECORATION_LENGTH = 16.0;
// The step in which an end label's spot moves out along its line.
inline constexpr double LABEL_STEP = 4.0;
// How far an end label keeps from its own line: clear of the half width of
// an end decoration.
inline constexpr double LABEL_OFF_LINE = 6.0;

struct LabelSize {
    double width = 0.0;
    double height = 0.0;
    double baseline = 0.0;
};

// The pixel size of a label's text; sizes are kept by text, since
// measuring is costly and texts repeat ("1", "*", "0..1").
LabelSize measure_label(const ElementContext& ctx, const std::string& text);

// What the end labels need of the lines next to the class sides they sit
// at, by column (H) and row (V) index. The labels of a side stand one
// after another out along their lines, past the decorations; each takes
// its extent along the line and a step. A line between two classes holds both facing sides' labels;
// its need is the largest such sum over its cells.
struct LabelNeeds {
    std::unordered_map<int32_t, double> h;
    std::unordered_map<int32_t, double> v;
};
LabelNeeds compute_label_needs(const Connectors& set, const ElementContext& ctx);

}  // namespace Model

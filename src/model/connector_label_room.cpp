#include "model/connector_label_room.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

#include <pangomm/fontdescription.h>
#include <pangomm/layout.h>

#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element_context.hpp"
#include "model/pango_layout_factory.hpp"
#include "model/routing/segment.hpp"

namespace Model {

LabelSize measure_label(const ElementContext& ctx, const std::string& text) {
    static std::mutex mutex;
    static std::unordered_map<std::string, LabelSize> cache;
    std::lock_guard<std::mutex> lock(mutex);
    if (auto it = cache.find(text); it != cache.end()) {
        return it->second;
    }
    auto layout = ctx.get_pango_layout_factory().new_pango_layout();
    layout->set_font_description(Pango::FontDescription(LABEL_FONT));
    layout->set_text(text);
    int w = 0;
    int h = 0;
    layout->get_pixel_size(w, h);
    const LabelSize size{static_cast<double>(w), static_cast<double>(h),
                         layout->get_baseline() / static_cast<double>(PANGO_SCALE)};
    if (cache.size() > 50000) {
        cache.clear();
    }
    cache.emplace(text, size);
    return size;
}

namespace {

// The labels of one class side facing into a line, past the decorations:
// a label just off the class would reach into the decorations and labels
// of the sides around it. Their lines leave the side spread along it, and
// each label stands beside its line: as many as fit along the side stand at
// the same distance out, the rest further out, a tier at a time; never more
// tiers than labels, however short the side.
struct Side {
    int count = 0;
    double along = 0.0;   // the deepest label, out along the lines
    double across = 0.0;  // the labels side by side, along the class side
    double length = 0.0;  // of the class side
    double need() const {
        if (count == 0) {
            return 0.0;
        }
        const double tiers =
            length > 0.0 ? std::clamp(std::ceil(across / length), 1.0, static_cast<double>(count))
                         : count;
        return LABEL_OFF_CLASS + LABEL_DECORATION_LENGTH + tiers * along;
    }
};

}  // namespace

LabelNeeds compute_label_needs(const Connectors& set, const ElementContext& ctx) {
    // (dir, line index, cell index along the line) -> the class side
    // before the line and the one after it.
    std::map<std::tuple<CellDir, int32_t, int32_t>, std::pair<Side, Side>> sides;
    for (const auto& con : set) {
        const auto& segs = con->get_segments();
        if (segs.empty() || !con->has_labels()) {
            continue;
        }
        // The name of a connector between neighbouring classes has no
        // segment beside which it finds room: it takes its place among
        // the start's labels, between the two boxes.
        const bool neighbours = segs.size() == 1 && segs.front()->start_elem &&
                                segs.front()->end_elem && segs.front()->get_size() == 2;
        for (auto which : {ConnectorLabel::START, ConnectorLabel::END, ConnectorLabel::NAME}) {
            if (which == ConnectorLabel::NAME && !neighbours) {
                continue;
            }
            const std::string& text = con->get_label(which);
            if (text.empty()) {
                continue;
            }
            const bool at_start = which != ConnectorLabel::END;
            const Segment& seg = at_start ? *segs.front() : *segs.back();
            const CellPos from = at_start ? seg.start : seg.end;
            const CellPos to = at_start ? seg.end : seg.start;
            if (from == to) {
                continue;
            }
            const LabelSize size = measure_label(ctx, text);
            const bool across_h = from.v == to.v;  // leaves sideways: a column
            const int32_t step = across_h ? (to.h > from.h ? 1 : -1) : (to.v > from.v ? 1 : -1);
            const int32_t line = (across_h ? from.h : from.v) + step;
            const int32_t cell = across_h ? from.v : from.h;
            auto& [before, after] = sides[{across_h ? CellDir::H : CellDir::V, line, cell}];
            Side& side = step > 0 ? before : after;
            ++side.count;
            side.along = std::max(
                side.along, (across_h ? size.width : size.height) + LABEL_OFF_CLASS + LABEL_STEP);
            side.across += (across_h ? size.height : size.width) + LABEL_OFF_LINE;
            if (const auto& elem = at_start ? seg.start_elem : seg.end_elem) {
                const Rectangle r = elem->get_rect();
                side.length = across_h ? r.height : r.width;
            }
        }
    }
    LabelNeeds needs;
    for (const auto& [key, pair] : sides) {
        const auto& [dir, line, cell] = key;
        double& need = (dir == CellDir::H ? needs.h : needs.v)[line];
        need = std::max(need, pair.first.need() + pair.second.need());
    }
    return needs;
}

}  // namespace Model

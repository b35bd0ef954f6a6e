#include "model/segment_layouter.hpp"

#include "common/log.hpp"
#include "model/grid.hpp"
#include "model/related_segments.hpp"
#include "model/segment.hpp"

namespace Model {

SegmentLayouter::SegmentLayouter(std::shared_ptr<const Grid> grid) : m_grid(std::move(grid)) {
    if (!m_grid) {
        LX_CRITICAL("SegmentLayouter: assertion 'grid != NULL' failed");
        m_grid = std::make_shared<Grid>();
    }
}

SegmentLayouter::~SegmentLayouter() = default;

SegmentLayouter::LineKey SegmentLayouter::line_of(const Segment& seg) {
    return LineKey{seg.get_hv(), seg.get_cell_pos_orth()};
}

bool SegmentLayouter::add(const std::shared_ptr<Segment>& seg) {
    LX_RETURN_VAL_IF_FAIL(seg != nullptr, false);
    if (m_entries.count(seg.get()) > 0) {
        return false;
    }
    // A segment keeps its cells for life (a new route makes new segments), so
    // the line it is filed under stays right.
    Entry entry{seg, m_next_seq++, line_of(*seg)};
    m_by_seq.emplace(entry.seq, seg.get());
    m_lines[entry.line].emplace(entry.seq, seg.get());
    m_entries.emplace(seg.get(), std::move(entry));
    return true;
}

bool SegmentLayouter::remove(const std::shared_ptr<Segment>& seg) {
    LX_RETURN_VAL_IF_FAIL(seg != nullptr, false);
    auto it = m_entries.find(seg.get());
    if (it == m_entries.end()) {
        return false;
    }
    const Entry& entry = it->second;
    m_by_seq.erase(entry.seq);
    auto line = m_lines.find(entry.line);
    if (line != m_lines.end()) {
        line->second.erase(entry.seq);
        if (line->second.empty()) {
            m_lines.erase(line);
        }
    }
    m_entries.erase(it);
    return true;
}

bool SegmentLayouter::contains(const std::shared_ptr<Segment>& seg) const {
    return seg != nullptr && m_entries.count(seg.get()) > 0;
}

void SegmentLayouter::clear() {
    m_by_seq.clear();
    m_lines.clear();
    m_entries.clear();
}

std::vector<Segment*> SegmentLayouter::get_segments() const {
    std::vector<Segment*> list;
    list.reserve(m_by_seq.size());
    for (const auto& [seq, seg] : m_by_seq) {
        list.push_back(seg);
    }
    return list;
}

std::vector<Segment*> SegmentLayouter::get_segments_on_line(const Segment& seg) const {
    std::vector<Segment*> list;
    auto line = m_lines.find(line_of(seg));
    if (line != m_lines.end()) {
        list.reserve(line->second.size());
        for (const auto& [seq, s] : line->second) {
            list.push_back(s);
        }
    }
    return list;
}

void SegmentLayouter::set_seg_laid_out_on_cross_line(const CellPos& cross_pos, bool value) {
    for (const auto& [seq, s] : m_by_seq) {
        const CellDir d = s->get_hv();
        if (s->is_pos_collinear(cross_pos) || s->start.get(d) == cross_pos.get(d) ||
            s->end.get(d) == cross_pos.get(d)) {
            s->is_laid_out = value;
        }
    }
}

std::unique_ptr<RelatedSegments> SegmentLayouter::new_related_segments(Segment& seg) const {
    const std::vector<Segment*> candidates =
        m_use_line_index ? get_segments_on_line(seg) : get_segments();
    return std::make_unique<RelatedSegments>(candidates, seg, *m_grid);
}

void SegmentLayouter::set_related_seg_laid_out(Segment& seg, bool value) {
    auto group = new_related_segments(seg);
    for (Segment* s : group->get_segments()) {
        s->is_laid_out = value;
    }
}

void SegmentLayouter::layout(Segment& seg) {
    auto group = new_related_segments(seg);
    if (!group->get_is_laid_out()) {
        group->layout();
    }
}

void SegmentLayouter::layout_not_laid_out_segs() {
    // Laying out a group marks all its members, so each group is laid out
    // once however many of its members were cleared.
    for (Segment* s : get_segments()) {
        if (!s->is_laid_out) {
            new_related_segments(*s)->layout();
        }
    }
}

}  // namespace Model

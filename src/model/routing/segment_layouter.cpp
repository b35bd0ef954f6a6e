#include "model/routing/segment_layouter.hpp"

#include <algorithm>

#include "common/cell_range_index.hpp"
#include "common/log.hpp"
#include "model/element.hpp"
#include "model/grid.hpp"
#include "model/routing/related_segments.hpp"
#include "model/routing/segment.hpp"

namespace Model {

SegmentLayouter::SegmentLayouter(std::shared_ptr<const Grid> grid) : m_grid(std::move(grid)) {
    if (!m_grid) {
        LX_CRITICAL("SegmentLayouter: assertion 'grid != NULL' failed");
        m_grid = std::make_shared<Grid>();
    }
}

SegmentLayouter::~SegmentLayouter() = default;

SegmentLayouter::Key SegmentLayouter::line_of(const Segment& seg) {
    return key(seg.get_hv(), seg.get_cell_pos_orth());
}

void SegmentLayouter::erase_seq(SeqList& list, uint64_t seq) {
    auto it = std::lower_bound(list.begin(), list.end(), seq,
                               [](const auto& item, uint64_t s) { return item.first < s; });
    if (it != list.end() && it->first == seq) {
        list.erase(it);
    }
}

void SegmentLayouter::erase_from(std::unordered_map<Key, SeqList>& index, Key k, uint64_t seq) {
    auto it = index.find(k);
    if (it == index.end()) {
        return;
    }
    erase_seq(it->second, seq);
    if (it->second.empty()) {
        index.erase(it);
    }
}

bool SegmentLayouter::add(const std::shared_ptr<Segment>& seg) {
    LX_RETURN_VAL_IF_FAIL(seg != nullptr, false);
    if (m_entries.count(seg.get()) > 0) {
        return false;
    }
    // A segment keeps its cells for life (a new route makes new segments), so
    // the line and the ends it is filed under stay right.
    const CellDir hv = seg->get_hv();
    Entry entry{seg, m_next_seq++, line_of(*seg), key(hv, seg->start.get(hv)),
                key(hv, seg->end.get(hv))};
    // A decorated end one line away from the next turn. Worked out now, as
    // the neighbours may be gone by the time the segment is removed.
    if (seg->get_size() == 2) {
        const bool at_start = seg->start_elem && seg->start_term && seg->next != nullptr;
        const bool at_end = seg->end_elem && seg->end_term && seg->prev != nullptr;
        if (at_start != at_end) {
            const int32_t box = (at_start ? seg->start : seg->end).get(hv);
            const int32_t turn = (at_start ? seg->end : seg->start).get(hv);
            entry.turn_line = key(inv(hv), turn);
            entry.turn_side = box < turn ? 0 : 1;
        }
    }
    m_order.emplace_back(entry.seq, seg.get());
    m_lines[entry.line].emplace_back(entry.seq, seg.get());
    m_ends[entry.start_key].emplace_back(entry.seq, seg.get());
    if (entry.end_key != entry.start_key) {
        m_ends[entry.end_key].emplace_back(entry.seq, seg.get());
    }
    m_changed_lines.push_back(entry.line);
    count_turn(entry, 1);
    m_entries.emplace(seg.get(), std::move(entry));
    count_ends(*seg, 1);
    count_facing(*seg, 1);
    return true;
}

bool SegmentLayouter::remove(const std::shared_ptr<Segment>& seg) {
    LX_RETURN_VAL_IF_FAIL(seg != nullptr, false);
    auto it = m_entries.find(seg.get());
    if (it == m_entries.end()) {
        return false;
    }
    const Entry& entry = it->second;
    auto pos = std::lower_bound(m_order.begin(), m_order.end(), entry.seq,
                                [](const auto& item, uint64_t s) { return item.first < s; });
    if (pos != m_order.end() && pos->first == entry.seq) {
        pos->second = nullptr;
        ++m_removed_in_order;
    }
    if (m_removed_in_order > 64 && m_removed_in_order * 2 > m_order.size()) {
        std::erase_if(m_order, [](const auto& item) { return item.second == nullptr; });
        m_removed_in_order = 0;
    }
    m_changed_lines.push_back(entry.line);
    count_ends(*seg, -1);
    count_facing(*seg, -1);
    count_turn(entry, -1);
    erase_from(m_lines, entry.line, entry.seq);
    erase_from(m_ends, entry.start_key, entry.seq);
    if (entry.end_key != entry.start_key) {
        erase_from(m_ends, entry.end_key, entry.seq);
    }
    m_entries.erase(it);
    return true;
}

bool SegmentLayouter::contains(const std::shared_ptr<Segment>& seg) const {
    return seg != nullptr && m_entries.count(seg.get()) > 0;
}

void SegmentLayouter::clear() {
    for (const auto& [k, list] : m_lines) {
        m_changed_lines.push_back(k);
    }
    m_order.clear();
    m_removed_in_order = 0;
    m_lines.clear();
    m_ends.clear();
    for (const auto& [s, entry] : m_entries) {
        count_ends(*s, -1);
        count_facing(*s, -1);
        count_turn(entry, -1);
    }
    m_entries.clear();
}

void SegmentLayouter::count_ends(const Segment& seg, int delta) {
    // A segment leaving its start box downward meets the box's bottom side;
    // one arriving downward meets the top side of its end box.
    const MovingDir d = seg.get_udlr();
    auto add = [&](const std::shared_ptr<Element>& elem, MovingDir side, const CellPos& cell) {
        if (!elem) {
            return;
        }
        CountedEnds& counted = m_end_counts[elem.get()];
        counted.elem = elem;
        counted.pos = cell;
        EndCounts& counts = counted.counts;
        counts.on_side[static_cast<int>(side)] += delta;
        if (std::all_of(std::begin(counts.on_side), std::end(counts.on_side),
                        [](int n) { return n == 0; })) {
            m_end_counts.erase(elem.get());
        }
        m_changed_ends.emplace_back(cell, elem);
    };
    add(seg.start_elem, d, seg.start);
    add(seg.end_elem, inv(d), seg.end);
}

void SegmentLayouter::count_facing(const Segment& seg, int delta) {
    if (!seg.start_elem || !seg.end_elem || (!seg.start_term && !seg.end_term)) {
        return;
    }
    auto count = [this, delta](std::unordered_map<Key, int>& counts, Key k) {
        if ((counts[k] += delta) == 0) {
            counts.erase(k);
        }
        m_changed_lines.push_back(k);
    };
    const bool both = seg.start_term && seg.end_term;
    // The crossed line runs the other way: a row for a vertical segment.
    const CellDir hv = seg.get_hv();
    if (seg.get_size() == 2) {
        // Neighbours: even one decoration is longer than the margins.
        auto& counts = both ? m_facing_neighbours : m_decorated_neighbours;
        count(counts, key(inv(hv), seg.start.get(hv)));
        count(counts, key(inv(hv), seg.end.get(hv)));
    } else if (seg.get_size() == 3 && both) {
        // Box, one line, box: more lines between the classes leave room
        // enough.
        count(m_facing, key(inv(hv), (seg.start.get(hv) + seg.end.get(hv)) / 2));
    }
}

void SegmentLayouter::count_turn(const Entry& entry, int delta) {
    if (entry.turn_side < 0) {
        return;
    }
    auto& [before, after] = m_turns[entry.turn_line];
    (entry.turn_side == 0 ? before : after) += delta;
    if (before == 0 && after == 0) {
        m_turns.erase(entry.turn_line);
    }
    m_changed_lines.push_back(entry.turn_line);
}

std::pair<bool, bool> SegmentLayouter::get_turns_after_decorations(CellDir axis,
                                                                   int32_t index) const {
    auto it = m_turns.find(key(inv(axis), index));
    if (it == m_turns.end()) {
        return {false, false};
    }
    return {it->second.first > 0, it->second.second > 0};
}

int SegmentLayouter::get_facing_decorations(CellDir axis, int32_t index) const {
    auto it = m_facing.find(key(inv(axis), index));
    return it != m_facing.end() ? it->second : 0;
}

int SegmentLayouter::get_neighbour_decorations(CellDir axis, int32_t index) const {
    const Key k = key(inv(axis), index);
    if (m_facing_neighbours.count(k) > 0) {
        return 2;
    }
    return m_decorated_neighbours.count(k) > 0 ? 1 : 0;
}

SegmentLayouter::EndCounts SegmentLayouter::get_end_counts(const Element& elem) const {
    auto it = m_end_counts.find(&elem);
    return it != m_end_counts.end() ? it->second.counts : EndCounts{};
}

std::vector<std::pair<CellPos, std::shared_ptr<Element>>> SegmentLayouter::get_counted_ends()
    const {
    std::vector<std::pair<CellPos, std::shared_ptr<Element>>> list;
    for (const auto& [key, counted] : m_end_counts) {
        if (auto elem = counted.elem.lock()) {
            list.emplace_back(counted.pos, std::move(elem));
        }
    }
    return list;
}

void SegmentLayouter::mark_ends_changed(const CellPos& pos, const std::shared_ptr<Element>& elem) {
    LX_RETURN_IF_FAIL(elem != nullptr);
    m_changed_ends.emplace_back(pos, elem);
}

std::vector<std::pair<CellPos, std::shared_ptr<Element>>> SegmentLayouter::take_changed_ends() {
    auto changed = std::move(m_changed_ends);
    m_changed_ends.clear();
    std::sort(changed.begin(), changed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.get() < b.second.get();
    });
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    return changed;
}

std::vector<Segment*> SegmentLayouter::get_segments() const {
    std::vector<Segment*> list;
    list.reserve(m_entries.size());
    for (const auto& [seq, seg] : m_order) {
        if (seg != nullptr) {
            list.push_back(seg);
        }
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

void SegmentLayouter::set_laid_out_in(const std::unordered_map<Key, SeqList>& index, Key k,
                                      bool value) {
    auto it = index.find(k);
    if (it != index.end()) {
        for (const auto& [seq, s] : it->second) {
            s->is_laid_out = value;
        }
    }
}

void SegmentLayouter::set_seg_laid_out_on_cross_line(const CellPos& cross_pos, bool value) {
    if (!m_use_line_index) {
        for (Segment* s : get_segments()) {
            const CellDir d = s->get_hv();
            if (s->is_pos_collinear(cross_pos) || s->start.get(d) == cross_pos.get(d) ||
                s->end.get(d) == cross_pos.get(d)) {
                s->is_laid_out = value;
            }
        }
        return;
    }
    // Horizontal segments lie on the row, vertical ones on the column; a
    // horizontal one starts or ends in the column, a vertical one in the row.
    set_laid_out_in(m_lines, key(CellDir::H, cross_pos.v), value);
    set_laid_out_in(m_lines, key(CellDir::V, cross_pos.h), value);
    set_laid_out_in(m_ends, key(CellDir::H, cross_pos.h), value);
    set_laid_out_in(m_ends, key(CellDir::V, cross_pos.v), value);
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
    if (!m_use_line_index) {
        for (Segment* s : get_segments()) {
            if (!s->is_laid_out) {
                new_related_segments(*s)->layout();
            }
        }
        return;
    }
    // A group gathers from its whole line, so an edit that clears a busy
    // line would gather once per group from every segment on it. One sweep
    // of the line instead splits it into runs of overlapping ranges; each
    // group lies within one run and gathers from that run alone.
    std::vector<Key> lines;
    for (Segment* s : get_segments()) {
        if (!s->is_laid_out) {
            lines.push_back(line_of(*s));
        }
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    struct Span {
        int32_t lo;
        int32_t hi;
        size_t order;
        Segment* seg;
    };
    std::vector<Span> spans;
    std::vector<Segment*> run;
    for (const Key k : lines) {
        const SeqList& list = m_lines.at(k);
        spans.clear();
        for (size_t i = 0; i < list.size(); ++i) {
            const CellRangeIndex r = list[i].second->get_range_without_elem();
            spans.push_back(
                Span{std::min(r.start, r.end), std::max(r.start, r.end), i, list[i].second});
        }
        std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
            return a.lo != b.lo ? a.lo < b.lo : a.order < b.order;
        });
        auto lay_out_run = [&]() {
            for (Segment* s : run) {
                if (!s->is_laid_out) {
                    RelatedSegments(run, *s, *m_grid).layout();
                }
            }
            run.clear();
        };
        int32_t hi = 0;
        for (const Span& span : spans) {
            // Closed ranges, taken wide: a run may hold more than one group,
            // never less than one.
            if (!run.empty() && span.lo > hi) {
                lay_out_run();
            }
            hi = run.empty() ? span.hi : std::max(hi, span.hi);
            run.push_back(span.seg);
        }
        lay_out_run();
    }
}

std::vector<std::pair<CellDir, int32_t>> SegmentLayouter::take_changed_lines() {
    std::sort(m_changed_lines.begin(), m_changed_lines.end());
    m_changed_lines.erase(std::unique(m_changed_lines.begin(), m_changed_lines.end()),
                          m_changed_lines.end());
    std::vector<std::pair<CellDir, int32_t>> lines;
    lines.reserve(m_changed_lines.size());
    for (Key k : m_changed_lines) {
        // Vertical segments lie in a column, whose size is on the H axis.
        const bool vertical = (k >> 32) != 0;
        lines.emplace_back(vertical ? CellDir::H : CellDir::V,
                           static_cast<int32_t>(static_cast<uint32_t>(k)));
    }
    m_changed_lines.clear();
    return lines;
}

int SegmentLayouter::get_max_side_by_side(CellDir axis, int32_t index) const {
    auto line = m_lines.find(key(inv(axis), index));
    if (line == m_lines.end()) {
        return 0;
    }
    // +1 where a segment's cells begin, -1 past where they end.
    std::vector<std::pair<int32_t, int>> steps;
    steps.reserve(line->second.size() * 2);
    for (const auto& [seq, s] : line->second) {
        const CellRangeIndex r = s->get_range_without_elem();
        steps.emplace_back(r.start, 1);
        steps.emplace_back(r.end + 1, -1);
    }
    std::sort(steps.begin(), steps.end());
    int count = 0;
    int most = 0;
    for (const auto& [at, step] : steps) {
        count += step;
        most = std::max(most, count);
    }
    return most;
}

void SegmentLayouter::set_seg_laid_out_on_grid_line(CellDir axis, int32_t index, bool value) {
    set_laid_out_in(m_lines, key(inv(axis), index), value);
    set_laid_out_in(m_ends, key(axis, index), value);
}

}  // namespace Model

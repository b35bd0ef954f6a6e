#include "model/workspace.hpp"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include <giomm/file.h>

#include "common/log.hpp"
#include "common/serializing.hpp"
#include "common/unique_id_generator.hpp"
#include "model/class_element.hpp"
#include "model/connector_element.hpp"
#include "model/connector_label_room.hpp"
#include "model/connectors.hpp"
#include "model/element.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/routing/related_segments.hpp"
#include "model/routing/router.hpp"
#include "model/routing/segment.hpp"
#include "model/routing/segment_layouter.hpp"
#include "model/workspace_diff.hpp"

namespace Model {

namespace {

bool is_valid_index(int32_t index) {
    return 0 <= index && index <= CellPos::MAX;
}

void add_segments(SegmentLayouter& layouter, const AbstractConnectorElement& con) {
    for (const auto& seg : con.get_segments()) {
        layouter.add(seg);
    }
}

void remove_segments(SegmentLayouter& layouter, const AbstractConnectorElement& con) {
    for (const auto& seg : con.get_segments()) {
        layouter.remove(seg);
    }
}

}  // namespace

Workspace::Parts Workspace::Parts::fresh() {
    Parts parts;
    parts.grid = std::make_shared<Grid>();
    parts.elem_context = std::make_shared<ElementContext>(std::make_shared<PangoLayoutFactory>(),
                                                          std::make_shared<UniqueIdGenerator>());
    parts.element_cells = std::make_unique<ElementCells>(parts.elem_context);
    parts.router = std::make_unique<Router>();
    parts.seg_layouter = std::make_unique<SegmentLayouter>(parts.grid);
    parts.connector_set = std::make_unique<Connectors>(parts.elem_context);
    return parts;
}

ConnectorList Workspace::in_uid_order(const Connectors& set) {
    ConnectorList list;
    list.reserve(static_cast<size_t>(set.size()));
    set.foreach_ordered([&list](const std::shared_ptr<AbstractConnectorElement>& con) {
        list.push_back(con);
        return true;
    });
    return list;
}

Workspace::Workspace() {
    init();
    m_signal_update.connect(sigc::mem_fun(*this, &Workspace::on_update));
}

Workspace::~Workspace() = default;

void Workspace::on_update() {
    m_is_updated = true;
}

void Workspace::init() {
    m_parts = Parts::fresh();
    set_file_path("");
    m_is_updated = false;
}

std::shared_ptr<WorkspaceDiff> Workspace::new_diff() const {
    return std::make_shared<WorkspaceDiff>(m_parts.elem_context);
}

void Workspace::set_file_path(const std::string& path) {
    if (path.empty()) {
        m_file_path.clear();
    } else {
        // A file object gives the canonical absolute form ("a/../b" -> "/cwd/b").
        const std::string abs = Gio::File::create_for_path(path)->get_path();
        m_file_path = abs.empty() ? path : abs;
    }
    m_signal_file_path_changed.emit();
}

// ---- routing -------------------------------------------------------------------

void Workspace::route(AbstractConnectorElement& con, const CellPos& start, const CellPos& goal) {
    auto found = m_parts.router->new_shortest_route(start, goal);
    con.update_route(*found);
    add_segments(*m_parts.seg_layouter, con);
}

void Workspace::route(AbstractConnectorElement& con) {
    route(con, con.start_pos, con.end_pos);
}

void Workspace::release_neighbours(const AbstractConnectorElement& con) {
    for (const auto& seg : con.get_segments()) {
        m_parts.seg_layouter->set_related_seg_laid_out(*seg, false);
    }
}

// ---- layout ------------------------------------------------------------------

void Workspace::set_line_size(CellDir dir, int32_t index) {
    double largest = dir == CellDir::H ? m_parts.element_cells->get_max_width_at_col(index)
                                       : m_parts.element_cells->get_max_height_at_row(index);
    m_parts.grid->get(dir).set_size(index, line_size(dir, index, largest));
}

double Workspace::line_size(CellDir dir, int32_t index, double largest) {
    double size = largest + m_cell_margin;
    if (auto it = seg_need(dir).find(index); it != seg_need(dir).end()) {
        size = std::max(size, it->second);
    }
    if (auto it = box_room(dir).find(index); it != box_room(dir).end() && largest > 0.0) {
        size = std::max(size, largest + it->second);
    }
    // A box sits in the middle of its line, so only half of what the line
    // grows by lies on the side the labels are on.
    if (auto it = label_need(dir).find(index); it != label_need(dir).end()) {
        size += (largest > 0.0 ? 2.0 : 1.0) * it->second;
    }
    return size;
}

void Workspace::resize_line(CellDir dir, int32_t index) {
    const double before = m_parts.grid->get(dir).get_size(index);
    set_line_size(dir, index);
    if (m_parts.grid->get(dir).get_size(index) == before) {
        return;
    }
    auto lay = [this](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
        elem->layout(m_parts.grid->get_size(h, v));
        return true;
    };
    if (dir == CellDir::H) {
        m_parts.element_cells->foreach_col(index, lay);
    } else {
        m_parts.element_cells->foreach_row(index, lay);
    }
    m_parts.seg_layouter->set_seg_laid_out_on_grid_line(dir, index, false);
}

void Workspace::fit_boxes_to_ends(bool resize) {
    auto& layouter = *m_parts.seg_layouter;
    const auto changed = layouter.take_changed_ends();
    // A class that moved is listed at its old cell and at its new one: its
    // room is set once, and its lines are fitted where it is now.
    std::unordered_set<const Element*> resized;
    std::unordered_set<const Element*> seen;
    for (const auto& [pos, elem] : changed) {
        auto klass = std::dynamic_pointer_cast<ClassElement>(elem);
        if (!klass || !seen.insert(klass.get()).second) {
            continue;
        }
        const SegmentLayouter::EndCounts counts = layouter.get_end_counts(*klass);
        auto room = [](int ends) {
            return ends > 0 ? (ends + 1) * RelatedSegments::END_SPACING : 0.0;
        };
        const Rectangle before = klass->get_rect();
        klass->set_end_room(room(counts.most_across_h()), room(counts.most_across_v()));
        const Rectangle after = klass->get_rect();
        if (after.width != before.width || after.height != before.height) {
            resized.insert(klass.get());
        }
    }
    if (!resize) {
        return;
    }
    for (const auto& [pos, elem] : changed) {
        if (resized.count(elem.get()) == 0 || m_parts.element_cells->get(pos.h, pos.v) != elem) {
            continue;
        }
        resize_line(CellDir::H, pos.h);
        resize_line(CellDir::V, pos.v);
        elem->layout(m_parts.grid->get_size(pos.h, pos.v));
        layouter.set_seg_laid_out_on_cross_line(pos, false);
    }
}

double Workspace::line_need(CellDir dir, int32_t index) const {
    const int k = m_parts.seg_layouter->get_max_side_by_side(dir, index);
    // k segments side by side leave k + 1 spaces: to each other and to
    // the two edges of the line.
    double need = k > 0 ? (k + 1) * RelatedSegments::LINE_SPACING : 0.0;
    // A turn right after a decorated end keeps the decoration's length and
    // a little from the box: the box's cell gives part of it and the usual
    // spacing the next part.
    static_assert(2 * RelatedSegments::MIN_BOX_GAP <= DEFAULT_CELL_MARGIN);
    const auto [before, after] = m_parts.seg_layouter->get_turns_after_decorations(dir, index);
    if (k > 0) {
        need += ((before ? 1 : 0) + (after ? 1 : 0)) * RelatedSegments::TURN_ROOM;
    }
    if (m_parts.seg_layouter->get_facing_decorations(dir, index) > 0) {
        // Two decorations tip to tip across the line, LINE_SPACING apart;
        // the margins of the two classes' cells give the rest.
        need = std::max(need, 2 * RelatedSegments::DECORATION_LENGTH +
                                  RelatedSegments::LINE_SPACING - m_cell_margin);
    }
    return need;
}

double Workspace::box_room_need(CellDir dir, int32_t index) const {
    const int decorations = m_parts.seg_layouter->get_neighbour_decorations(dir, index);
    if (decorations == 0) {
        return 0.0;
    }
    // Half of the decorations and LINE_SPACING on each side of the box:
    // the neighbour's line gives the other half.
    return decorations * RelatedSegments::DECORATION_LENGTH + RelatedSegments::LINE_SPACING;
}

void Workspace::fit_lines_to_segments(bool resize) {
    fit_boxes_to_ends(resize);
    // Whether a line's need changed; the need of a line without any is 0.
    auto update = [](std::unordered_map<int32_t, double>& needs, int32_t index, double need) {
        auto it = needs.find(index);
        const double old = it != needs.end() ? it->second : 0.0;
        if (old == need) {
            return false;
        }
        if (need > 0.0) {
            needs[index] = need;
        } else {
            needs.erase(it);
        }
        return true;
    };
    for (const auto& [dir, index] : m_parts.seg_layouter->take_changed_lines()) {
        const bool seg_changed = update(seg_need(dir), index, line_need(dir, index));
        const bool room_changed = update(box_room(dir), index, box_room_need(dir, index));
        if (resize && (seg_changed || room_changed)) {
            resize_line(dir, index);
        }
    }
}

void Workspace::fit_lines_to_labels(bool resize) {
    LabelNeeds fresh = compute_label_needs(*m_parts.connector_set, *m_parts.elem_context);
    for (CellDir dir : {CellDir::H, CellDir::V}) {
        auto& needs = label_need(dir);
        auto& now = dir == CellDir::H ? fresh.h : fresh.v;
        std::vector<int32_t> changed;
        for (const auto& [index, need] : needs) {
            auto it = now.find(index);
            if (it == now.end() || it->second != need) {
                changed.push_back(index);
            }
        }
        for (const auto& [index, need] : now) {
            if (!needs.count(index)) {
                changed.push_back(index);
            }
        }
        needs = std::move(now);
        if (resize) {
            std::sort(changed.begin(), changed.end());
            for (int32_t index : changed) {
                resize_line(dir, index);
            }
        }
    }
}

void Workspace::spread_segments() {
    fit_lines_to_segments(true);
    fit_lines_to_labels(true);
    m_parts.seg_layouter->layout_not_laid_out_segs();
}

void Workspace::shift_seg_needs(CellDir dir, int32_t index, int32_t delta) {
    for (auto* needs : {&seg_need(dir), &label_need(dir), &box_room(dir)}) {
        std::unordered_map<int32_t, double> shifted;
        for (const auto& [i, need] : *needs) {
            if (i < index) {
                shifted.emplace(i, need);
            } else if (delta > 0 || i > index) {
                shifted.emplace(i + delta, need);
            }
        }
        *needs = std::move(shifted);
    }
}

void Workspace::lay_out_lines_of(const CellPos& pos) {
    set_line_size(CellDir::H, pos.h);
    set_line_size(CellDir::V, pos.v);
    auto lay = [this](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
        elem->layout(m_parts.grid->get_size(h, v));
        return true;
    };
    m_parts.element_cells->foreach_col(pos.h, lay);
    m_parts.element_cells->foreach_row(pos.v, lay);
}

void Workspace::update_layout(const CellPos& pos) {
    lay_out_lines_of(pos);
    m_parts.seg_layouter->set_seg_laid_out_on_cross_line(pos, false);
    spread_segments();
}

void Workspace::update_layout_all() {
    // One pass over the classes finds every line's largest box; asking each
    // column in turn (set_line_size) would scan every class once per
    // column, which made reading a large document quadratic.
    std::unordered_map<int32_t, double> widths;
    std::unordered_map<int32_t, double> heights;
    m_parts.element_cells->foreach (
        [&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            const Rectangle rect = elem->get_rect();
            double& width = widths[h];
            width = std::max(width, rect.width);
            double& height = heights[v];
            height = std::max(height, rect.height);
            return true;
        });
    auto size_of = [this](CellDir dir, int32_t index, std::unordered_map<int32_t, double>& boxes) {
        return line_size(dir, index, boxes[index]);
    };
    m_parts.element_cells->foreach_col_index([&](int32_t h) {
        m_parts.grid->get(CellDir::H).set_size(h, size_of(CellDir::H, h, widths));
        return true;
    });
    // Rows emptied by a removal are still listed and get the empty size.
    m_parts.element_cells->foreach_row_index([&](int32_t v) {
        m_parts.grid->get(CellDir::V).set_size(v, size_of(CellDir::V, v, heights));
        return true;
    });
    // Lines that only segments run through. The needs are walked in index
    // order: sizing a line moves the lines after it, which is the same in
    // any order, but the grid stores entries as they come.
    for (CellDir dir : {CellDir::H, CellDir::V}) {
        std::vector<int32_t> lines;
        for (const auto& [index, need] : seg_need(dir)) {
            lines.push_back(index);
        }
        for (const auto& [index, need] : label_need(dir)) {
            if (!seg_need(dir).count(index)) {
                lines.push_back(index);
            }
        }
        std::sort(lines.begin(), lines.end());
        auto& boxes = dir == CellDir::H ? widths : heights;
        for (int32_t index : lines) {
            m_parts.grid->get(dir).set_size(index, size_of(dir, index, boxes));
        }
    }
    m_parts.element_cells->foreach (
        [this](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            elem->layout(m_parts.grid->get_size(h, v));
            return true;
        });
}

// ---- classes -----------------------------------------------------------------

bool Workspace::add_class(const CellPos& pos, std::shared_ptr<Element> elem) {
    // The table ends at 65535; a class beyond it could never be saved and read.
    if (!pos.is_valid() || m_parts.element_cells->get(pos.h, pos.v)) {
        return false;
    }
    if (!elem) {
        elem = std::make_shared<ClassElement>(m_parts.elem_context);
    }
    m_parts.element_cells->set(pos.h, pos.v, elem);
    if (m_parts.log_diff) {
        m_parts.log_diff->add_element(pos, elem);
    }
    lay_out_lines_of(pos);
    if (m_deferring) {
        m_touched.push_back(pos);
        m_terms_added.push_back(pos);
        return true;
    }
    m_parts.router->add_terminatable_node(pos);
    // The new box may stand where connectors ran, and its cell opens new
    // corners to turn at.
    settle({pos});
    m_signal_update.emit();
    return true;
}

bool Workspace::rm_class(const CellPos& pos) {
    auto elem = m_parts.element_cells->get(pos.h, pos.v);
    if (!elem) {
        return false;
    }
    for (const auto& con : in_uid_order(*m_parts.connector_set->enum_connectors_has_term_at(pos))) {
        remove_connector_without_layout(con);
        release_neighbours(*con);
    }
    if (m_parts.log_diff) {
        m_parts.log_diff->rm_element(pos, elem);
    }
    m_parts.element_cells->remove(pos.h, pos.v);
    lay_out_lines_of(pos);
    if (m_deferring) {
        m_touched.push_back(pos);
        m_terms_removed.push_back(pos);
        return true;
    }
    m_parts.router->rm_terminatable_node(pos);
    // The freed cell may give other connectors a shorter way.
    settle({pos});
    m_signal_update.emit();
    return true;
}

bool Workspace::rm_class_range(const CellRange& range) {
    std::vector<std::pair<CellPos, std::shared_ptr<Element>>> classes;
    ConnectorList cons;
    std::unordered_set<AbstractConnectorElement*> seen;
    // Either pair of corners names the same block.
    CellRange block = range;
    block.ensure_consistency();
    m_parts.element_cells->foreach_range(
        block, [&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            CellPos pos(h, v);
            classes.emplace_back(pos, elem);
            for (const auto& con :
                 in_uid_order(*m_parts.connector_set->enum_connectors_has_term_at(pos))) {
                if (seen.insert(con.get()).second) {
                    cons.push_back(con);
                }
            }
            return true;
        });
    for (const auto& con : cons) {
        remove_connector_without_layout(con);
        release_neighbours(*con);
    }
    std::vector<CellPos> cells;
    for (const auto& [pos, elem] : classes) {
        if (m_parts.log_diff) {
            m_parts.log_diff->rm_element(pos, elem);
        }
        m_parts.element_cells->remove(pos.h, pos.v);
        m_parts.router->rm_terminatable_node(pos);
        lay_out_lines_of(pos);
        cells.push_back(pos);
    }
    settle(cells);
    m_signal_update.emit();
    return true;
}

// ---- rows and columns --------------------------------------------------------

bool Workspace::has_anything_on_line(CellDir dir, int32_t index) const {
    bool found = !m_parts.element_cells->foreach_line(
        dir, index, [](int32_t, int32_t, const std::shared_ptr<Element>&) { return false; });
    if (found) {
        return true;
    }
    return m_parts.connector_set->enum_term_on_line(dir, index)->size() > 0;
}

void Workspace::reroute_all(const std::vector<CellPos>& changed) {
    // Nodes that changed other than by moving with a line, where they are now.
    const std::vector<CellPos> graph_changes = m_parts.router->get_changed();
    m_parts.router->clear_changed();
    const std::vector<LineShift> shifts = std::move(m_line_shifts);
    m_line_shifts.clear();
    // Where an old search area went, or nothing when the search could now
    // come out differently. A node's life depends on the interest points
    // within one cell of it, so the graph two cells off a removed line, or
    // off the old neighbours of an inserted one, is the old graph moved;
    // a search that looked only there, at no node changed otherwise, finds
    // its route again, moved.
    auto moved_area = [&shifts, &graph_changes](SearchArea a) -> std::optional<SearchArea> {
        for (const LineShift& s : shifts) {
            int32_t& lo = s.dir == CellDir::H ? a.h0 : a.v0;
            int32_t& hi = s.dir == CellDir::H ? a.h1 : a.v1;
            if (hi == CellPos::MAX) {
                return std::nullopt;
            }
            const int64_t i = s.index;
            if (hi <= i - 2) {
                continue;
            }
            if (lo < (s.inserted ? i + 1 : i + 2)) {
                return std::nullopt;
            }
            lo += s.inserted ? 1 : -1;
            hi += s.inserted ? 1 : -1;
        }
        for (const CellPos& p : graph_changes) {
            if (a.contains(p)) {
                return std::nullopt;
            }
        }
        return a;
    };
    // Where an old segment's cell went, or nothing when its line is gone.
    auto moved = [&shifts](CellPos p) -> std::optional<CellPos> {
        for (const LineShift& s : shifts) {
            const int32_t c = p.get(s.dir);
            if (s.inserted) {
                if (c >= s.index) {
                    p.set(s.dir, c + 1);
                }
            } else if (c == s.index) {
                return std::nullopt;
            } else if (c > s.index) {
                p.set(s.dir, c - 1);
            }
        }
        return p;
    };
    struct Found {
        std::shared_ptr<AbstractConnectorElement> con;
        std::shared_ptr<Route> route;
        bool kept;
    };
    std::vector<Found> found;
    for (const auto& con : in_uid_order(*m_parts.connector_set)) {
        const auto& old = con->get_segments();
        bool kept = !old.empty() && m_patch_added.count(con.get()) == 0 &&
                    m_parts.seg_layouter->contains(old.front());
        if (kept) {
            if (const auto area = moved_area(con->route_search_area)) {
                found.push_back(Found{con, nullptr, true});
                con->route_search_area = *area;
                continue;
            }
        }
        auto route = m_parts.router->new_shortest_route(con->start_pos, con->end_pos);
        if (kept) {
            const auto fresh = route->new_segments();
            kept = fresh.size() == old.size();
            for (size_t i = 0; kept && i < old.size(); ++i) {
                kept =
                    moved(old[i]->start) == fresh[i]->start && moved(old[i]->end) == fresh[i]->end;
            }
        }
        if (!kept) {
            // Still in the old layouter and its coordinates: the groups it
            // leaves are spread again.
            release_neighbours(*con);
        }
        found.push_back(Found{con, std::move(route), kept});
    }
    m_patch_added.clear();
    // A segment across an inserted or removed line changes its length, and
    // a group orders its members by length: its group is spread again. So
    // is the group it had: a partner it overlapped only at the old length
    // is left alone.
    std::vector<Segment*> stretched;
    for (const auto& f : found) {
        if (f.kept) {
            for (const auto& seg : f.con->get_segments()) {
                const CellDir d = seg->get_hv();
                if (std::abs(moved(seg->end)->get(d) - moved(seg->start)->get(d)) + 1 !=
                    seg->get_size()) {
                    m_parts.seg_layouter->set_related_seg_laid_out(*seg, false);
                    stretched.push_back(seg.get());
                }
            }
        }
    }
    const auto counted_ends = m_parts.seg_layouter->get_counted_ends();
    m_parts.seg_layouter = std::make_unique<SegmentLayouter>(m_parts.grid);
    // The new layouter counts only the ends of the new routes; a class that
    // has lost its ends must still give back the room they took.
    for (const auto& [pos, elem] : counted_ends) {
        m_parts.seg_layouter->mark_ends_changed(moved(pos).value_or(pos), elem);
    }
    for (auto& f : found) {
        if (f.kept) {
            for (const auto& seg : f.con->get_segments()) {
                seg->start = *moved(seg->start);
                seg->end = *moved(seg->end);
            }
            if (f.route) {
                f.con->route_search_area = f.route->searched;
            }
        } else {
            f.con->update_route(*f.route);
        }
        add_segments(*m_parts.seg_layouter, *f.con);
    }
    for (Segment* seg : stretched) {
        m_parts.seg_layouter->set_related_seg_laid_out(*seg, false);
    }
    // Every line a segment runs in has its need worked out again when the
    // segments are spread; a line the old routes widened and no segment
    // runs in now goes back to the size of its boxes.
    for (CellDir dir : {CellDir::H, CellDir::V}) {
        std::vector<int32_t> lines;
        for (const auto& [index, need] : seg_need(dir)) {
            if (line_need(dir, index) == 0.0) {
                lines.push_back(index);
            }
        }
        for (const auto& [index, need] : box_room(dir)) {
            if (box_room_need(dir, index) == 0.0) {
                lines.push_back(index);
            }
        }
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        for (int32_t index : lines) {
            if (line_need(dir, index) == 0.0) {
                seg_need(dir).erase(index);
            }
            if (box_room_need(dir, index) == 0.0) {
                box_room(dir).erase(index);
            }
            resize_line(dir, index);
        }
    }
    for (const auto& pos : changed) {
        m_parts.seg_layouter->set_seg_laid_out_on_cross_line(pos, false);
    }
    spread_segments();
}

bool Workspace::reroute_if_changed(AbstractConnectorElement& con) {
    auto found = m_parts.router->new_shortest_route(con.start_pos, con.end_pos);
    const auto fresh = found->new_segments();
    const auto& old = con.get_segments();
    // Segments that are not members yet (a connector just put back) are
    // handed over even when the route stays.
    bool same =
        fresh.size() == old.size() && (old.empty() || m_parts.seg_layouter->contains(old.front()));
    for (size_t i = 0; same && i < old.size(); ++i) {
        same = old[i]->start == fresh[i]->start && old[i]->end == fresh[i]->end;
    }
    if (same) {
        con.route_search_area = found->searched;
        return false;
    }
    remove_segments(*m_parts.seg_layouter, con);
    release_neighbours(con);
    con.update_route(*found);
    add_segments(*m_parts.seg_layouter, con);
    return true;
}

void Workspace::settle(const std::vector<CellPos>& changed) {
    // Only a search that looked at a changed node can come out differently;
    // the others would find their routes again, so they are not searched.
    std::vector<CellPos> graph_changes = m_parts.router->get_changed();
    m_parts.router->clear_changed();
    graph_changes.insert(graph_changes.end(), changed.begin(), changed.end());
    SearchArea all{CellPos::MAX, CellPos::MAX, 0, 0};
    for (const auto& p : graph_changes) {
        all.h0 = std::min(all.h0, p.h);
        all.v0 = std::min(all.v0, p.v);
        all.h1 = std::max(all.h1, p.h);
        all.v1 = std::max(all.v1, p.v);
    }
    for (const auto& con : in_uid_order(*m_parts.connector_set)) {
        const SearchArea& a = con->route_search_area;
        bool affected = m_patch_added.count(con.get()) != 0;
        if (!affected && a.h0 <= all.h1 && all.h0 <= a.h1 && a.v0 <= all.v1 && all.v0 <= a.v1) {
            for (const auto& p : graph_changes) {
                if (a.contains(p)) {
                    affected = true;
                    break;
                }
            }
        }
        if (affected) {
            reroute_if_changed(*con);
        }
    }
    m_patch_added.clear();
    for (const auto& pos : changed) {
        m_parts.seg_layouter->set_seg_laid_out_on_cross_line(pos, false);
    }
    spread_segments();
}

bool Workspace::insert_line(CellDir dir, int32_t index) {
    if (!is_valid_index(index)) {
        return false;
    }
    // Whatever sits on the last line would be pushed off the table, where it
    // could neither be reached nor saved and read back.
    if (has_anything_on_line(dir, CellPos::MAX)) {
        LX_DEBUG("insert refused: the last %s is not empty", dir == CellDir::H ? "column" : "row");
        return false;
    }
    m_parts.connector_set->insert_line(dir, index);
    m_parts.element_cells->insert_line(dir, index, 1, nullptr);
    m_parts.router->insert_line(dir, index, 1, nullptr);
    m_parts.grid->get(dir).ins(index);
    m_line_shifts.push_back(LineShift{dir, index, true});
    shift_seg_needs(dir, index, 1);
    if (m_parts.log_diff) {
        m_parts.log_diff->insert_line(dir, index);
    }
    if (m_deferring) {
        m_lines_changed = true;
        return true;
    }
    reroute_all({});
    m_signal_update.emit();
    return true;
}

bool Workspace::remove_line(CellDir dir, int32_t index) {
    if (!is_valid_index(index)) {
        return false;
    }
    m_parts.connector_set->remove_line(dir, index, [this](const auto& con) {
        if (m_parts.log_diff) {
            m_parts.log_diff->rm_connector(con);
        }
        // The groups its segments leave are spread again.
        release_neighbours(*con);
    });
    m_parts.router->remove_line(dir, index, 1, nullptr, nullptr);
    m_parts.grid->get(dir).rm(index);
    m_line_shifts.push_back(LineShift{dir, index, false});
    shift_seg_needs(dir, index, -1);
    std::vector<CellPos> kept;
    m_parts.element_cells->remove_line(
        dir, index, 1,
        [&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            if (m_parts.log_diff) {
                m_parts.log_diff->rm_element(CellPos(h, v), elem);
            }
            kept.emplace_back(h, v);
            return true;
        },
        nullptr);
    // Only the lines and boxes: reroute_all below spreads the segments,
    // again across the lines whose size the removed boxes set.
    const CellDir across = inv(dir);
    std::vector<CellPos> resized;
    for (const auto& pos : kept) {
        const double before = m_parts.grid->get(across).get_size(pos.get(across));
        lay_out_lines_of(pos);
        if (m_parts.grid->get(across).get_size(pos.get(across)) != before) {
            resized.push_back(pos);
        }
    }
    if (m_parts.log_diff) {
        m_parts.log_diff->rm_line(dir, index);
    }
    if (m_deferring) {
        m_lines_changed = true;
        m_touched.insert(m_touched.end(), resized.begin(), resized.end());
        return true;
    }
    reroute_all(resized);
    m_signal_update.emit();
    return true;
}

// ---- connectors --------------------------------------------------------------

bool Workspace::add_connector(const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    add_segments(*m_parts.seg_layouter, *con);
    m_parts.connector_set->add(con);
    if (m_parts.log_diff) {
        m_parts.log_diff->add_connector(con);
    }
    return true;
}

bool Workspace::remove_connector_without_layout(
    const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    remove_segments(*m_parts.seg_layouter, *con);
    bool was_member = m_parts.connector_set->contains(con);
    m_parts.connector_set->remove(con);
    // Recording a connector that was not there would make undo add it.
    if (m_parts.log_diff && was_member) {
        m_parts.log_diff->rm_connector(con);
    }
    return true;
}

bool Workspace::remove_connector(const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    remove_connector_without_layout(con);
    release_neighbours(*con);
    spread_segments();
    return true;
}

void Workspace::set_connector_label(AbstractConnectorElement& con, ConnectorLabel which,
                                    std::string text) {
    con.set_label(which, std::move(text));
    fit_lines_to_labels(true);
    m_parts.seg_layouter->layout_not_laid_out_segs();
}

bool Workspace::update_connector_route(const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    remove_segments(*m_parts.seg_layouter, *con);
    route(*con);
    return true;
}

ConnectorList Workspace::enum_related_connectors(const ConnectorList& con_set) {
    // Segments know their connector only by a plain pointer; the members of
    // the set are the owners that can be handed out.
    std::unordered_map<const AbstractConnectorElement*, std::shared_ptr<AbstractConnectorElement>>
        owners;
    for (const auto& con : in_uid_order(*m_parts.connector_set)) {
        owners.emplace(con.get(), con);
    }
    std::unordered_set<const AbstractConnectorElement*> given;
    for (const auto& con : con_set) {
        given.insert(con.get());
    }
    ConnectorList result;
    std::unordered_set<const AbstractConnectorElement*> in_result;
    for (const auto& con : con_set) {
        LX_RETURN_VAL_IF_FAIL(con != nullptr, result);
        for (const auto& seg : con->get_segments()) {
            auto group = m_parts.seg_layouter->new_related_segments(*seg);
            for (const auto& rel : group->get_segments()) {
                const AbstractConnectorElement* owner = rel->connector;
                if (owner == nullptr || owner == con.get() || given.count(owner) != 0) {
                    continue;
                }
                auto it = owners.find(owner);
                if (it != owners.end() && in_result.insert(owner).second) {
                    result.push_back(it->second);
                }
            }
        }
    }
    return result;
}

// ---- the connector being drawn -------------------------------------------------

bool Workspace::new_floating_connector(const CellPos& pos, const std::string& type_name) {
    auto start = pos.is_valid() ? m_parts.element_cells->get(pos.h, pos.v) : nullptr;
    if (!start) {
        return false;
    }
    auto con = new_connector_element(type_name, m_parts.elem_context);
    if (!con) {
        return false;
    }
    rm_floating_connector();
    m_parts.floating_connector = con;
    m_parts.floating_start = pos;
    m_parts.floating_end = pos;
    m_parts.floating_left_start = false;
    con->start_elem = start;
    m_parts.router->add_terminatable_node(pos);
    return true;
}

bool Workspace::update_floating_connector(const CellPos& pos) {
    if (!m_parts.floating_connector || !pos.is_valid()) {
        return false;
    }
    auto& con = m_parts.floating_connector;
    remove_segments(*m_parts.seg_layouter, *con);
    release_neighbours(*con);
    m_parts.router->rm_terminatable_node(m_parts.floating_end);
    m_parts.floating_end = pos;
    m_parts.router->add_terminatable_node(pos);
    con->end_elem = m_parts.element_cells->get(pos.h, pos.v);
    if (pos != m_parts.floating_start) {
        m_parts.floating_left_start = true;
    }
    if (pos == m_parts.floating_start && !m_parts.floating_left_start) {
        // Just begun: nothing to show until the loose end moves.
        con->update_route(Route(pos, pos));
    } else {
        route(*con, m_parts.floating_start, m_parts.floating_end);
    }
    for (const auto& seg : con->get_segments()) {
        m_parts.seg_layouter->layout(*seg);
    }
    spread_segments();
    return true;
}

bool Workspace::floating_end_unreachable() const {
    const auto& con = m_parts.floating_connector;
    const CellPos& end = m_parts.floating_end;
    // A connector that no route can carry would be saved but never drawn.
    return con && con->get_segments().empty() && end != m_parts.floating_start &&
           m_parts.element_cells->get(end.h, end.v) != nullptr;
}

bool Workspace::fix_floating_connector() {
    if (!m_parts.floating_connector ||
        !m_parts.element_cells->get(m_parts.floating_end.h, m_parts.floating_end.v) ||
        floating_end_unreachable()) {
        return false;
    }
    // Back on its start class: a self-relation, once the loose end has been
    // away and a loop found room around the class.
    if (m_parts.floating_end == m_parts.floating_start &&
        (!m_parts.floating_left_start || m_parts.floating_connector->get_segments().empty())) {
        return false;
    }
    auto con = std::move(m_parts.floating_connector);
    m_parts.floating_connector = nullptr;
    m_parts.connector_set->add(con);
    if (m_parts.log_diff) {
        m_parts.log_diff->add_connector(con);
    }
    m_parts.router->rm_terminatable_node(m_parts.floating_end);
    return true;
}

bool Workspace::rm_floating_connector() {
    if (m_parts.floating_connector) {
        remove_segments(*m_parts.seg_layouter, *m_parts.floating_connector);
        release_neighbours(*m_parts.floating_connector);
        spread_segments();
        m_parts.floating_connector = nullptr;
        m_parts.router->rm_terminatable_node(m_parts.floating_end);
    }
    return true;
}

// ---- change records ----------------------------------------------------------

void Workspace::patch(const std::shared_ptr<WorkspaceDiff>& diff) {
    LX_RETURN_IF_FAIL(diff != nullptr);
    // Everything the record names goes back in place first and is routed
    // once at the end: a connector routed while its classes are still
    // missing would run through them once they are back.
    m_deferring = true;
    m_touched.clear();
    m_lines_changed = false;
    if (const auto& line = diff->get_removed_line()) {
        remove_line(line->dir, line->index);
    }
    if (const auto& line = diff->get_inserted_line()) {
        insert_line(line->dir, line->index);
    }
    if (!diff->get_moves().empty()) {
        move_classes(diff->get_moves());
    }
    if (diff->get_batched()) {
        m_deferring = false;
        m_touched.clear();
        patch_batched(*diff);
        return;
    }
    if (const auto& cells = diff->get_rm_elements()) {
        std::vector<CellPos> to_remove;
        cells->foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            // Only the very object recorded: a class put there later stays.
            if (m_parts.element_cells->get(h, v) == elem) {
                to_remove.emplace_back(h, v);
            }
            return true;
        });
        for (const auto& pos : to_remove) {
            rm_class(pos);
        }
    }
    if (const auto& cells = diff->get_add_elements()) {
        std::vector<std::pair<CellPos, std::shared_ptr<Element>>> to_add;
        cells->foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            to_add.emplace_back(CellPos(h, v), elem);
            return true;
        });
        for (const auto& [pos, elem] : to_add) {
            if (!m_parts.element_cells->get(pos.h, pos.v)) {
                add_class(pos, elem);
            }
        }
    }
    if (const auto& cons = diff->get_rm_connectors()) {
        for (const auto& con : in_uid_order(*cons)) {
            remove_connector_without_layout(con);
            release_neighbours(*con);
        }
    }
    if (const auto& cons = diff->get_add_connectors()) {
        for (const auto& con : in_uid_order(*cons)) {
            add_connector(con);
            con->set_is_laid_out(false);
            // Its route is from before it left; search it again.
            m_patch_added.insert(con.get());
        }
    }
    m_deferring = false;
    // Terminal by terminal, each would cost a pass over all terminals.
    m_parts.router->move_terminatable_nodes(m_terms_removed, m_terms_added);
    m_terms_removed.clear();
    m_terms_added.clear();
    if (m_lines_changed) {
        reroute_all(m_touched);
    } else {
        settle(m_touched);
    }
    m_touched.clear();
    m_signal_update.emit();
}

}  // namespace Model

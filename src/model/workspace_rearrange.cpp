// Rearranging a document: moving classes between cells, and copying them out
// as a fragment document and pasting one in.
//
// Every operation here, and its undo and redo, ends by settling: a move or
// paste changes which cells hold terminals, which can bend routes that only
// pass near them, so every route is checked against the one a fresh read of
// the saved document would give, while only the changed routes and lines
// are spread again.
#include "model/workspace.hpp"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <set>
#include <unordered_set>
#include <vector>

#include "common/log.hpp"
#include "common/serializing.hpp"
#include "common/unique_id_generator.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element.hpp"
#include "model/element_cells.hpp"
#include "model/element_context.hpp"
#include "model/routing/router.hpp"
#include "model/routing/segment.hpp"
#include "model/routing/segment_layouter.hpp"
#include "model/workspace_diff.hpp"

namespace Model {

namespace {

// From this many classes on, a move updates the routing graph in one go.
constexpr size_t BATCH_TERMINALS = 8;

CellPos step(MovingDir dir) {
    switch (dir) {
        case MovingDir::UP:
            return CellPos(0, -1);
        case MovingDir::DOWN:
            return CellPos(0, 1);
        case MovingDir::LEFT:
            return CellPos(-1, 0);
        case MovingDir::RIGHT:
            return CellPos(1, 0);
    }
    return CellPos(0, 0);
}

std::optional<int32_t> parse_cell_index(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    int32_t value = -1;
    const char* end = text->data() + text->size();
    auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end || value < 0 || value > CellPos::MAX) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

bool Workspace::move_classes(const Moves& moves) {
    std::map<CellPos, CellPos> dest;
    std::set<CellPos> targets;
    bool moves_any = false;
    for (const auto& [from, to] : moves) {
        if (!from.is_valid() || !to.is_valid() || !m_parts.element_cells->get(from.h, from.v) ||
            !dest.emplace(from, to).second || !targets.insert(to).second) {
            return false;
        }
        moves_any = moves_any || from != to;
    }
    if (!moves_any) {
        return false;
    }
    for (const auto& to : targets) {
        if (m_parts.element_cells->get(to.h, to.v) && dest.count(to) == 0) {
            return false;
        }
    }
    // The connectors with an end on a moving class, each once.
    ConnectorList cons;
    std::unordered_set<const AbstractConnectorElement*> seen;
    for (const auto& [from, to] : dest) {
        for (const auto& con :
             in_uid_order(*m_parts.connector_set->enum_connectors_has_term_at(from))) {
            if (seen.insert(con.get()).second) {
                cons.push_back(con);
            }
        }
    }
    // Their routes end elsewhere now: out of the layouter before anything
    // moves, so the gaps they shared close up again.
    for (const auto& con : cons) {
        for (const auto& seg : con->get_segments()) {
            m_parts.seg_layouter->remove(seg);
        }
        release_neighbours(*con);
    }
    std::vector<std::pair<CellPos, std::shared_ptr<Element>>> taken;
    taken.reserve(dest.size());
    std::vector<CellPos> froms;
    std::vector<CellPos> tos;
    for (const auto& [from, to] : dest) {
        taken.emplace_back(to, m_parts.element_cells->get(from.h, from.v));
        m_parts.element_cells->remove(from.h, from.v);
        froms.push_back(from);
        tos.push_back(to);
    }
    for (const auto& [to, elem] : taken) {
        m_parts.element_cells->set(to.h, to.v, elem);
    }
    // Terminal by terminal, each costs a pass over all terminals; a rebuild
    // costs the size of the graph, which pays off for a few classes already.
    if (dest.size() >= BATCH_TERMINALS) {
        m_parts.router->move_terminatable_nodes(froms, tos);
    } else {
        for (const auto& pos : froms) {
            m_parts.router->rm_terminatable_node(pos);
        }
        for (const auto& pos : tos) {
            m_parts.router->add_terminatable_node(pos);
        }
    }
    for (const auto& con : cons) {
        if (auto it = dest.find(con->start_pos); it != dest.end()) {
            con->start_pos = it->second;
        }
        if (auto it = dest.find(con->end_pos); it != dest.end()) {
            con->end_pos = it->second;
        }
    }
    std::vector<CellPos> changed;
    changed.reserve(2 * dest.size());
    for (const auto& [from, to] : dest) {
        lay_out_lines_of(from);
        lay_out_lines_of(to);
        changed.push_back(from);
        changed.push_back(to);
    }
    for (const auto& con : cons) {
        route(*con);
    }
    // Replaying the record moves again, which re-routes by itself.
    if (m_parts.log_diff) {
        m_parts.log_diff->move_classes(moves);
    }
    if (m_deferring) {
        m_touched.insert(m_touched.end(), changed.begin(), changed.end());
        return true;
    }
    // Other routes may pass where the classes went, or take a way they left.
    settle(changed);
    m_signal_update.emit();
    return true;
}

bool Workspace::move_class(const CellPos& pos, MovingDir dir) {
    const CellPos to = pos.add(step(dir));
    if (!pos.is_valid() || !to.is_valid() || !m_parts.element_cells->get(pos.h, pos.v)) {
        return false;
    }
    Moves moves{{pos, to}};
    if (m_parts.element_cells->get(to.h, to.v)) {
        moves.emplace_back(to, pos);
    }
    return move_classes(moves);
}

bool Workspace::move_class_range(const CellRange& range, MovingDir dir) {
    return move_class_range(range, step(dir));
}

bool Workspace::move_class_range(const CellRange& range, const CellPos& delta) {
    CellRange block = range;
    block.ensure_consistency();
    Moves moves;
    m_parts.element_cells->foreach_range(
        block, [&](int32_t h, int32_t v, const std::shared_ptr<Element>&) {
            const CellPos from(h, v);
            moves.emplace_back(from, from.add(delta));
            return true;
        });
    // A class landing on another inside the range finds it gone, since the
    // whole range moves at once; one outside stays and refuses the move.
    return move_classes(moves);
}

bool Workspace::cut_class_range(const CellRange& range) {
    CellRange block = range;
    block.ensure_consistency();
    bool any = false;
    m_parts.element_cells->foreach_range(block, [&any](int32_t, int32_t, const auto&) {
        any = true;
        return false;
    });
    // rm_class_range settles by itself; undo and redo put the classes back
    // all at once.
    if (!any || !rm_class_range(block)) {
        return false;
    }
    if (m_parts.log_diff) {
        m_parts.log_diff->set_batched();
    }
    return true;
}

std::string Workspace::copy_fragment(const CellRange& range) const {
    CellRange block = range;
    block.ensure_consistency();
    ElementCells cells(m_parts.elem_context);
    std::set<CellPos> inside;
    m_parts.element_cells->foreach_range(
        block, [&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            cells.set(h, v, elem);
            inside.insert(CellPos(h, v));
            return true;
        });
    Connectors cons(m_parts.elem_context);
    for (const auto& pos : inside) {
        const auto at = m_parts.connector_set->enum_connectors_has_term_at(pos);
        for (const auto& con : *at) {
            if (inside.count(con->start_pos) != 0 && inside.count(con->end_pos) != 0) {
                cons.add(con);
            }
        }
    }
    auto writer = SerializingWriter::to_memory();
    // Cells keep their document coordinates; the root names the range's
    // top-left, which a paste puts at its target cell.
    bool ok = !writer->start_element(FRAGMENT_ROOT);
    ok = ok && !writer->write_attribute("h", std::to_string(block.start.h));
    ok = ok && !writer->write_attribute("v", std::to_string(block.start.v));
    ok = ok && !writer->write_attribute("width", std::to_string(block.end.h - block.start.h + 1));
    ok = ok && !writer->write_attribute("height", std::to_string(block.end.v - block.start.v + 1));
    ok = ok && cells.write(*writer) && cons.write(*writer);
    ok = ok && !writer->end_element();
    writer->finish();
    if (!ok || writer->has_failed()) {
        LX_DEBUG("copy: the fragment could not be written");
        return {};
    }
    return writer->get_contents();
}

bool Workspace::looks_like_fragment(const std::string& text) {
    auto reader = SerializingReader::from_memory(text);
    return reader->next() && reader->is_start_element() && reader->get_depth() == 0 &&
           reader->get_name() == FRAGMENT_ROOT;
}

Workspace::PasteResult Workspace::paste_fragment(const std::string& xml, const CellPos& top_left) {
    if (!top_left.is_valid()) {
        return PasteResult::OFF_TABLE;
    }
    auto reader = SerializingReader::from_memory(xml);
    if (!reader->next() || !reader->is_start_element() || reader->get_name() != FRAGMENT_ROOT) {
        return PasteResult::NOT_A_FRAGMENT;
    }
    const auto origin_h = parse_cell_index(reader->get_attribute("h"));
    const auto origin_v = parse_cell_index(reader->get_attribute("v"));
    if (!origin_h || !origin_v) {
        LX_DEBUG("paste: the fragment names no valid top-left cell");
        return PasteResult::NOT_A_FRAGMENT;
    }
    ElementCells cells(m_parts.elem_context);
    Connectors cons(m_parts.elem_context);
    bool read_cells = false;
    bool read_cons = false;
    reader->foreach_subtree([&]() {
        if (reader->is_start_element()) {
            const std::string name = reader->get_name();
            if (name == "element_cells" && !read_cells) {
                read_cells = true;
                cells.read(*reader);
            } else if (name == "connector_set" && !read_cons) {
                read_cons = true;
                cons.read(*reader);
            }
        }
        return true;
    });
    if (reader->has_error()) {
        LX_DEBUG("paste: the fragment is not well-formed");
        return PasteResult::NOT_A_FRAGMENT;
    }
    // Where each class lands, in cell order so that the work and the new
    // uids follow the fragment, not the table's hashing.
    std::map<CellPos, std::shared_ptr<Element>> landing;
    PasteResult refusal = PasteResult::PASTED;
    cells.foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
        const CellPos to(top_left.h + (h - *origin_h), top_left.v + (v - *origin_v));
        if (!to.is_valid()) {
            refusal = PasteResult::OFF_TABLE;
            return false;
        }
        if (m_parts.element_cells->get(to.h, to.v)) {
            refusal = PasteResult::OCCUPIED;
        }
        landing.emplace(to, elem);
        return true;
    });
    if (refusal != PasteResult::PASTED) {
        return refusal;
    }
    if (landing.empty()) {
        return PasteResult::EMPTY;
    }
    const CellPos delta(top_left.h - *origin_h, top_left.v - *origin_v);
    ConnectorList kept;
    for (const auto& con : in_uid_order(cons)) {
        const CellPos start = con->start_pos.add(delta);
        const CellPos end = con->end_pos.add(delta);
        if (landing.count(start) == 0 || landing.count(end) == 0) {
            LX_DEBUG("paste: a connector without both ends on pasted classes is left out");
            continue;
        }
        con->start_pos = start;
        con->end_pos = end;
        con->start_elem = landing[start];
        con->end_elem = landing[end];
        kept.push_back(con);
    }
    // New uids: the originals may still be in this document. The old ones
    // stay reserved, since another element may hold them.
    UniqueIdGenerator& gen = m_parts.elem_context->get_uid_generator();
    auto renew = [&gen](Element& elem) {
        const uint32_t old = elem.get_uid();
        elem.set_uid(gen.new_uid());
        gen.invalidate_uid(old);
    };
    std::vector<CellPos> terms;
    for (const auto& [pos, elem] : landing) {
        renew(*elem);
        m_parts.element_cells->set(pos.h, pos.v, elem);
        if (m_parts.log_diff) {
            m_parts.log_diff->add_element(pos, elem);
        }
        terms.push_back(pos);
    }
    m_parts.router->add_terminatable_nodes(terms);
    for (const auto& [pos, elem] : landing) {
        lay_out_lines_of(pos);
    }
    for (const auto& con : kept) {
        renew(*con);
        m_parts.connector_set->add(con);
        if (m_parts.log_diff) {
            m_parts.log_diff->add_connector(con);
        }
    }
    if (m_parts.log_diff) {
        m_parts.log_diff->set_batched();
    }
    // The new connectors have no route yet, so settling routes them.
    settle(terms);
    m_signal_update.emit();
    return PasteResult::PASTED;
}

void Workspace::patch_batched(const WorkspaceDiff& diff) {
    // Classes and connectors go out and in directly, without the routing and
    // spreading that rm_class and add_class do for each, and are settled
    // once at the end.
    auto take_out = [this](const std::shared_ptr<AbstractConnectorElement>& con) {
        if (!m_parts.connector_set->contains(con)) {
            return;
        }
        for (const auto& seg : con->get_segments()) {
            m_parts.seg_layouter->remove(seg);
        }
        release_neighbours(*con);
        m_parts.connector_set->remove(con);
    };
    std::vector<CellPos> touched;
    if (const auto& cons = diff.get_rm_connectors()) {
        for (const auto& con : in_uid_order(*cons)) {
            take_out(con);
        }
    }
    if (const auto& cells = diff.get_rm_elements()) {
        cells->foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            // Only the very object recorded: a class put there later stays.
            if (m_parts.element_cells->get(h, v) == elem) {
                touched.emplace_back(h, v);
            }
            return true;
        });
        std::sort(touched.begin(), touched.end());
        for (const auto& pos : touched) {
            // Nothing may be left ending on an empty cell.
            const auto at = m_parts.connector_set->enum_connectors_has_term_at(pos);
            for (const auto& con : in_uid_order(*at)) {
                take_out(con);
            }
            m_parts.element_cells->remove(pos.h, pos.v);
        }
        m_parts.router->rm_terminatable_nodes(touched);
    }
    if (const auto& cells = diff.get_add_elements()) {
        std::vector<CellPos> added;
        cells->foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            if (!m_parts.element_cells->get(h, v)) {
                m_parts.element_cells->set(h, v, elem);
                added.emplace_back(h, v);
            }
            return true;
        });
        std::sort(added.begin(), added.end());
        m_parts.router->add_terminatable_nodes(added);
        touched.insert(touched.end(), added.begin(), added.end());
    }
    if (const auto& cons = diff.get_add_connectors()) {
        for (const auto& con : in_uid_order(*cons)) {
            con->start_elem = m_parts.element_cells->get(con->start_pos.h, con->start_pos.v);
            con->end_elem = m_parts.element_cells->get(con->end_pos.h, con->end_pos.v);
            // Its old segments are not the layouter's, so settling hands
            // the connector a route whatever it was before.
            if (con->start_elem && con->end_elem) {
                m_parts.connector_set->add(con);
            }
        }
    }
    for (const auto& pos : touched) {
        lay_out_lines_of(pos);
    }
    settle(touched);
    m_signal_update.emit();
}

}  // namespace Model

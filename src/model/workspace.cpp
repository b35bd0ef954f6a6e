#include "model/workspace.hpp"

#include <unistd.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include <gio/gio.h>
#include <glib/gstdio.h>
#include <glibmm/fileutils.h>

#include "common/log.hpp"
#include "common/serializing.hpp"
#include "common/unique_id_generator.hpp"
#include "model/class_element.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/related_segments.hpp"
#include "model/router.hpp"
#include "model/segment.hpp"
#include "model/segment_layouter.hpp"
#include "model/workspace_diff.hpp"

namespace Model {

namespace {

bool is_valid_index(int32_t index) {
    return 0 <= index && index <= CellPos::MAX;
}

// In uid order. The set's own order follows the objects' addresses, which
// change from run to run, and the order in which connectors are routed and
// handed to the layouter decides where parallel segments end up: the same
// document must come out the same every time it is read or edited.
ConnectorList to_list(const Connectors& set) {
    ConnectorList list;
    list.reserve(static_cast<size_t>(set.size()));
    set.foreach_ordered([&list](const std::shared_ptr<AbstractConnectorElement>& con) {
        list.push_back(con);
        return true;
    });
    return list;
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

// The segments that shared a gap with the removed ones were spread to make
// room for them; clear those groups so the next layout closes the room up.
void release_neighbours(SegmentLayouter& layouter, const AbstractConnectorElement& con) {
    for (const auto& seg : con.get_segments()) {
        layouter.set_related_seg_laid_out(*seg, false);
    }
}

}  // namespace

Workspace::Workspace() {
    init();
    m_signal_update.connect(sigc::mem_fun(*this, &Workspace::on_update));
}

Workspace::~Workspace() = default;

void Workspace::on_update() {
    m_is_updated = true;
}

void Workspace::reset_parts() {
    m_grid = std::make_shared<Grid>();
    m_elem_context = std::make_shared<ElementContext>(std::make_shared<PangoLayoutFactory>(),
                                                      std::make_shared<UniqueIdGenerator>());
    m_element_cells = std::make_shared<ElementCells>(m_elem_context);
    m_router = std::make_shared<Router>();
    m_seg_layouter = std::make_shared<SegmentLayouter>(m_grid);
    m_floating_connector = nullptr;
    m_connector_set = std::make_shared<Connectors>(m_elem_context);
    m_log_diff = nullptr;
}

Workspace::Parts Workspace::save_parts() const {
    return Parts{
        m_grid,          m_element_cells, m_router,       m_seg_layouter,   m_floating_connector,
        m_connector_set, m_log_diff,      m_elem_context, m_floating_start, m_floating_end};
}

void Workspace::restore_parts(Parts parts) {
    m_seg_layouter = std::move(parts.seg_layouter);
    m_grid = std::move(parts.grid);
    m_element_cells = std::move(parts.element_cells);
    m_router = std::move(parts.router);
    m_floating_connector = std::move(parts.floating_connector);
    m_connector_set = std::move(parts.connector_set);
    m_log_diff = std::move(parts.log_diff);
    m_elem_context = std::move(parts.elem_context);
    m_floating_start = parts.floating_start;
    m_floating_end = parts.floating_end;
}

void Workspace::init() {
    reset_parts();
    set_file_path("");
    m_is_updated = false;
}

std::shared_ptr<WorkspaceDiff> Workspace::new_diff() const {
    return std::make_shared<WorkspaceDiff>(m_elem_context);
}

void Workspace::set_file_path(const std::string& path) {
    if (path.empty()) {
        m_file_path.clear();
    } else {
        // A file object gives the canonical absolute form ("a/../b" -> "/cwd/b").
        GFile* file = g_file_new_for_path(path.c_str());
        char* abs = g_file_get_path(file);
        m_file_path = abs != nullptr ? abs : path;
        g_free(abs);
        g_object_unref(file);
    }
    m_signal_file_path_changed.emit();
}

// ---- layout ------------------------------------------------------------------

void Workspace::set_line_size(CellDir dir, int32_t index) {
    double largest = dir == CellDir::H ? m_element_cells->get_max_width_at_col(index)
                                       : m_element_cells->get_max_height_at_row(index);
    m_grid->get(dir).set_size(index, largest + m_cell_margin);
}

void Workspace::lay_out_lines_of(const CellPos& pos) {
    set_line_size(CellDir::H, pos.h);
    set_line_size(CellDir::V, pos.v);
    auto lay = [this](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
        elem->layout(m_grid->get_size(h, v));
        return true;
    };
    m_element_cells->foreach_col(pos.h, lay);
    m_element_cells->foreach_row(pos.v, lay);
}

void Workspace::update_layout(const CellPos& pos) {
    lay_out_lines_of(pos);
    m_seg_layouter->set_seg_laid_out_on_cross_line(pos, false);
    m_seg_layouter->layout_not_laid_out_segs();
}

void Workspace::update_layout_all() {
    // One pass over the classes finds every line's largest box; asking each
    // column in turn (set_line_size) would scan every class once per
    // column, which made reading a large document quadratic.
    std::unordered_map<int32_t, double> widths;
    std::unordered_map<int32_t, double> heights;
    m_element_cells->foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
        const Rectangle rect = elem->get_rect();
        double& width = widths[h];
        width = std::max(width, rect.width);
        double& height = heights[v];
        height = std::max(height, rect.height);
        return true;
    });
    m_element_cells->foreach_col_index([&](int32_t h) {
        m_grid->get(CellDir::H).set_size(h, widths[h] + m_cell_margin);
        return true;
    });
    // Rows emptied by a removal are still listed and get the empty size.
    m_element_cells->foreach_row_index([&](int32_t v) {
        m_grid->get(CellDir::V).set_size(v, heights[v] + m_cell_margin);
        return true;
    });
    m_element_cells->foreach ([this](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
        elem->layout(m_grid->get_size(h, v));
        return true;
    });
}

// ---- classes -----------------------------------------------------------------

bool Workspace::add_class(const CellPos& pos, std::shared_ptr<Element> elem) {
    // The table ends at 65535; a class beyond it could never be saved and read.
    if (!pos.is_valid() || m_element_cells->get(pos.h, pos.v)) {
        return false;
    }
    if (!elem) {
        elem = std::make_shared<ClassElement>(m_elem_context);
    }
    m_element_cells->set(pos.h, pos.v, elem);
    if (m_log_diff) {
        m_log_diff->add_element(pos, elem);
    }
    m_router->add_terminatable_node(pos);
    update_layout(pos);
    m_signal_update.emit();
    return true;
}

bool Workspace::rm_class(const CellPos& pos) {
    auto elem = m_element_cells->get(pos.h, pos.v);
    if (!elem) {
        return false;
    }
    ConnectorList cons = to_list(*m_connector_set->enum_connectors_has_term_at(pos));
    ConnectorList rel = enum_related_connectors(cons);
    for (const auto& con : cons) {
        remove_connector_without_layout(con);
    }
    if (m_log_diff) {
        m_log_diff->rm_element(pos, elem);
    }
    m_element_cells->remove(pos.h, pos.v);
    m_router->rm_terminatable_node(pos);
    for (const auto& con : rel) {
        update_connector_route(con);
    }
    update_layout(pos);
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
    m_element_cells->foreach_range(
        block, [&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            CellPos pos(h, v);
            classes.emplace_back(pos, elem);
            for (const auto& con : to_list(*m_connector_set->enum_connectors_has_term_at(pos))) {
                if (seen.insert(con.get()).second) {
                    cons.push_back(con);
                }
            }
            return true;
        });
    for (const auto& [pos, elem] : classes) {
        if (m_log_diff) {
            m_log_diff->rm_element(pos, elem);
        }
        m_element_cells->remove(pos.h, pos.v);
        m_router->rm_terminatable_node(pos);
        update_layout(pos);
    }
    ConnectorList rel = enum_related_connectors(cons);
    for (const auto& con : cons) {
        remove_connector_without_layout(con);
    }
    for (const auto& con : rel) {
        update_connector_route(con);
    }
    // The re-routed connectors would otherwise be drawn unspread, at their
    // cells' edges, until some later edit happened to lay them out.
    m_seg_layouter->layout_not_laid_out_segs();
    m_signal_update.emit();
    return true;
}

// ---- rows and columns --------------------------------------------------------

bool Workspace::has_anything_on_line(CellDir dir, int32_t index) const {
    bool found = !m_element_cells->foreach_line(
        dir, index, [](int32_t, int32_t, const std::shared_ptr<Element>&) { return false; });
    if (found) {
        return true;
    }
    return m_connector_set->enum_term_on_line(dir, index)->size() > 0;
}

void Workspace::reroute_all() {
    m_seg_layouter = std::make_shared<SegmentLayouter>(m_grid);
    for (const auto& con : to_list(*m_connector_set)) {
        auto route = m_router->new_shortest_route(con->start_pos, con->end_pos);
        con->update_route(*route);
        add_segments(*m_seg_layouter, *con);
    }
    m_seg_layouter->layout_not_laid_out_segs();
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
    m_connector_set->insert_line(dir, index);
    m_element_cells->insert_line(dir, index, 1, nullptr);
    m_router->insert_line(dir, index, 1, nullptr);
    m_grid->get(dir).ins(index);
    reroute_all();
    if (m_log_diff) {
        m_log_diff->insert_line(dir, index);
    }
    m_signal_update.emit();
    return true;
}

bool Workspace::remove_line(CellDir dir, int32_t index) {
    if (!is_valid_index(index)) {
        return false;
    }
    m_connector_set->remove_line(dir, index, [this](const auto& con) {
        if (m_log_diff) {
            m_log_diff->rm_connector(con);
        }
    });
    m_router->remove_line(dir, index, 1, nullptr, nullptr);
    m_grid->get(dir).rm(index);
    std::vector<CellPos> kept;
    m_element_cells->remove_line(
        dir, index, 1,
        [&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            if (m_log_diff) {
                m_log_diff->rm_element(CellPos(h, v), elem);
            }
            kept.emplace_back(h, v);
            return true;
        },
        nullptr);
    // Only the lines and boxes: reroute_all below replaces every segment and
    // spreads the new ones, so spreading the old ones here would be wasted.
    for (const auto& pos : kept) {
        lay_out_lines_of(pos);
    }
    reroute_all();
    if (m_log_diff) {
        m_log_diff->rm_line(dir, index);
    }
    m_signal_update.emit();
    return true;
}

// ---- connectors --------------------------------------------------------------

bool Workspace::add_connector(const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    add_segments(*m_seg_layouter, *con);
    m_connector_set->add(con);
    if (m_log_diff) {
        m_log_diff->add_connector(con);
    }
    return true;
}

bool Workspace::remove_connector_without_layout(
    const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    remove_segments(*m_seg_layouter, *con);
    bool was_member = m_connector_set->contains(con);
    m_connector_set->remove(con);
    // Recording a connector that was not there would make undo add it.
    if (m_log_diff && was_member) {
        m_log_diff->rm_connector(con);
    }
    return true;
}

bool Workspace::remove_connector(const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    remove_connector_without_layout(con);
    for (const auto& seg : con->get_segments()) {
        m_seg_layouter->set_related_seg_laid_out(*seg, false);
    }
    m_seg_layouter->layout_not_laid_out_segs();
    return true;
}

bool Workspace::update_connector_route(const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    remove_segments(*m_seg_layouter, *con);
    auto route = m_router->new_shortest_route(con->start_pos, con->end_pos);
    con->update_route(*route);
    add_segments(*m_seg_layouter, *con);
    return true;
}

ConnectorList Workspace::enum_related_connectors(const ConnectorList& con_set) {
    // Segments know their connector only by a plain pointer; the members of
    // the set are the owners that can be handed out.
    std::unordered_map<const AbstractConnectorElement*, std::shared_ptr<AbstractConnectorElement>>
        owners;
    for (const auto& con : to_list(*m_connector_set)) {
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
            auto group = m_seg_layouter->new_related_segments(*seg);
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
    auto start = pos.is_valid() ? m_element_cells->get(pos.h, pos.v) : nullptr;
    if (!start) {
        return false;
    }
    auto con = new_connector_element(type_name, m_elem_context);
    if (!con) {
        return false;
    }
    rm_floating_connector();
    m_floating_connector = con;
    m_floating_start = pos;
    m_floating_end = pos;
    con->start_elem = start;
    m_router->add_terminatable_node(pos);
    return true;
}

bool Workspace::update_floating_connector(const CellPos& pos) {
    if (!m_floating_connector || !pos.is_valid()) {
        return false;
    }
    auto& con = m_floating_connector;
    remove_segments(*m_seg_layouter, *con);
    release_neighbours(*m_seg_layouter, *con);
    m_router->rm_terminatable_node(m_floating_end);
    m_floating_end = pos;
    m_router->add_terminatable_node(pos);
    con->end_elem = m_element_cells->get(pos.h, pos.v);
    auto route = m_router->new_shortest_route(m_floating_start, m_floating_end);
    con->update_route(*route);
    add_segments(*m_seg_layouter, *con);
    for (const auto& seg : con->get_segments()) {
        m_seg_layouter->layout(*seg);
    }
    m_seg_layouter->layout_not_laid_out_segs();
    return true;
}

bool Workspace::fix_floating_connector() {
    if (!m_floating_connector || !m_element_cells->get(m_floating_end.h, m_floating_end.v) ||
        m_floating_end == m_floating_start) {
        return false;
    }
    auto con = std::move(m_floating_connector);
    m_floating_connector = nullptr;
    m_connector_set->add(con);
    if (m_log_diff) {
        m_log_diff->add_connector(con);
    }
    m_router->rm_terminatable_node(m_floating_end);
    return true;
}

bool Workspace::rm_floating_connector() {
    if (m_floating_connector) {
        remove_segments(*m_seg_layouter, *m_floating_connector);
        release_neighbours(*m_seg_layouter, *m_floating_connector);
        m_seg_layouter->layout_not_laid_out_segs();
        m_floating_connector = nullptr;
        m_router->rm_terminatable_node(m_floating_end);
    }
    return true;
}

// ---- change records ----------------------------------------------------------

void Workspace::patch(const std::shared_ptr<WorkspaceDiff>& diff) {
    LX_RETURN_IF_FAIL(diff != nullptr);
    if (const auto& line = diff->get_removed_line()) {
        remove_line(line->dir, line->index);
    }
    if (const auto& line = diff->get_inserted_line()) {
        insert_line(line->dir, line->index);
    }
    if (const auto& cells = diff->get_rm_elements()) {
        std::vector<CellPos> to_remove;
        cells->foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            // Only the very object recorded: a class put there later stays.
            if (m_element_cells->get(h, v) == elem) {
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
            if (!m_element_cells->get(pos.h, pos.v)) {
                add_class(pos, elem);
            }
        }
    }
    if (const auto& cons = diff->get_rm_connectors()) {
        for (const auto& con : to_list(*cons)) {
            remove_connector_without_layout(con);
            for (const auto& seg : con->get_segments()) {
                m_seg_layouter->set_related_seg_laid_out(*seg, false);
            }
        }
    }
    if (const auto& cons = diff->get_add_connectors()) {
        for (const auto& con : to_list(*cons)) {
            add_connector(con);
            con->set_is_laid_out(false);
        }
    }
    m_seg_layouter->layout_not_laid_out_segs();
    m_signal_update.emit();
}

// ---- document ----------------------------------------------------------------

bool Workspace::write(SerializingWriter& writer) {
    if (writer.start_element("workspace")) {
        return false;
    }
    if (!m_element_cells->write(writer) || !m_connector_set->write(writer)) {
        return false;
    }
    return !writer.end_element();
}

void Workspace::drop_outside_table() {
    std::vector<CellPos> cells;
    m_element_cells->foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>&) {
        if (!CellPos(h, v).is_valid()) {
            cells.emplace_back(h, v);
        }
        return true;
    });
    for (const auto& pos : cells) {
        LX_DEBUG("read: class at %s outside the table dropped", pos.to_string().c_str());
        m_element_cells->remove(pos.h, pos.v);
    }
    for (const auto& con : to_list(*m_connector_set)) {
        if (!con->start_pos.is_valid() || !con->end_pos.is_valid()) {
            LX_DEBUG("read: connector %s-%s outside the table dropped",
                     con->start_pos.to_string().c_str(), con->end_pos.to_string().c_str());
            m_connector_set->remove(con);
        }
    }
}

// A damaged or hand-edited document can give several classes or connectors
// one uid, which then names no single element. One keeps it and the others
// get fresh ones; classes come before connectors, classes in cell order (row,
// then column), connectors in the order of foreach_ordered.
void Workspace::make_uids_unique() {
    UniqueIdGenerator& gen = m_elem_context->get_uid_generator();
    std::unordered_set<uint32_t> taken;
    auto keep_or_renew = [&](Element& elem) {
        const uint32_t uid = elem.get_uid();
        if (taken.insert(uid).second) {
            return;
        }
        // set_uid frees the old uid, which the first holder still has.
        elem.set_uid(gen.new_uid());
        gen.invalidate_uid(uid);
        taken.insert(elem.get_uid());
        LX_DEBUG("read: uid 0x%08x appears more than once; 0x%08x given instead", uid,
                 elem.get_uid());
    };
    std::vector<std::pair<CellPos, std::shared_ptr<Element>>> classes;
    m_element_cells->foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
        classes.emplace_back(CellPos(h, v), elem);
        return true;
    });
    std::sort(classes.begin(), classes.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [pos, elem] : classes) {
        keep_or_renew(*elem);
    }
    m_connector_set->foreach_ordered([&](const std::shared_ptr<AbstractConnectorElement>& con) {
        keep_or_renew(*con);
        return true;
    });
}

bool Workspace::read(SerializingReader& reader) {
    if (!reader.skip_to_element("workspace")) {
        return true;
    }
    reader.foreach_subtree([&]() {
        if (reader.is_start_element()) {
            std::string name = reader.get_name();
            if (name == "element_cells") {
                m_element_cells->read(reader);
            } else if (name == "connector_set") {
                m_connector_set->read(reader);
            }
        }
        return true;
    });
    // The table ends at 65535 and this program never writes beyond it.
    // Clamping would stack such entries onto cells of others; they are left
    // out instead, which also keeps the router and grid bounded.
    drop_outside_table();
    make_uids_unique();
    std::vector<CellPos> terms;
    m_element_cells->foreach ([&terms](int32_t h, int32_t v, const std::shared_ptr<Element>&) {
        terms.emplace_back(h, v);
        return true;
    });
    m_router->add_terminatable_nodes(terms);
    m_connector_set->update_linked_elem(*m_element_cells);
    for (const auto& con : to_list(*m_connector_set)) {
        auto route = m_router->new_shortest_route(con->start_pos, con->end_pos);
        con->update_route(*route);
        add_segments(*m_seg_layouter, *con);
    }
    update_layout_all();
    // Every segment is fresh and so not laid out: this lays out each group
    // once, which is what laying out the group of every segment comes to.
    m_seg_layouter->layout_not_laid_out_segs();
    return true;
}

bool Workspace::save(const std::string& path) {
    std::string target = path.empty() ? m_file_path : path;
    if (target.empty()) {
        LX_DEBUG("save: no file path");
        return false;
    }
    bool ok = false;
    {
        // The writer fills a file beside the target and moves it into place
        // only when the whole document was written, so a failed save leaves
        // the old file as it was.
        SerializingWriter writer(target, 0);
        ok = writer.is_open() && write(writer);
        writer.finish();
        ok = ok && !writer.has_failed();
    }
    if (!ok) {
        LX_DEBUG("save: cannot write %s", target.c_str());
        return false;
    }
    set_file_path(target);
    m_is_updated = false;
    LX_DEBUG("save %s", m_file_path.c_str());
    return true;
}

bool Workspace::load(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (!Glib::file_test(path, Glib::FILE_TEST_EXISTS)) {
        // A new file: bound to the path, created by the next save.
        init();
        set_file_path(path);
        LX_DEBUG("load %s", path.c_str());
        return true;
    }
    // An existing file that is not a document is most likely a mistyped
    // path; binding an empty document to it would let the next save
    // overwrite whatever it holds. Refuse, and keep what is on screen.
    if (Glib::file_test(path, Glib::FILE_TEST_IS_DIR) || g_access(path.c_str(), R_OK) != 0) {
        LX_DEBUG("load: cannot read %s", path.c_str());
        return false;
    }
    auto reader = std::make_unique<SerializingReader>(path);
    if (!reader->skip_to_element("workspace")) {
        LX_DEBUG("load: %s holds no document", path.c_str());
        return false;
    }
    // Read into fresh parts and keep them only when the whole read worked.
    Parts saved = save_parts();
    reset_parts();
    if (!read(*reader) || reader->has_error()) {
        restore_parts(std::move(saved));
        LX_DEBUG("load: %s is not a readable document", path.c_str());
        return false;
    }
    set_file_path(path);
    m_is_updated = false;
    LX_DEBUG("load %s", path.c_str());
    return true;
}

}  // namespace Model

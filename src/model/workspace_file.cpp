// The document file: writing and reading the "workspace" element, and
// saving and loading it as a file.
#include "model/workspace.hpp"

#include <unistd.h>

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

#include <glib/gstdio.h>
#include <glibmm/fileutils.h>

#include "common/log.hpp"
#include "common/serializing.hpp"
#include "common/unique_id_generator.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element.hpp"
#include "model/element_cells.hpp"
#include "model/element_context.hpp"
#include "model/routing/router.hpp"
#include "model/routing/segment_layouter.hpp"

namespace Model {

bool Workspace::write(SerializingWriter& writer) {
    if (writer.start_element("workspace")) {
        return false;
    }
    if (!m_parts.element_cells->write(writer) || !m_parts.connector_set->write(writer)) {
        return false;
    }
    return !writer.end_element();
}

void Workspace::drop_outside_table() {
    std::vector<CellPos> cells;
    m_parts.element_cells->foreach ([&](int32_t h, int32_t v, const std::shared_ptr<Element>&) {
        if (!CellPos(h, v).is_valid()) {
            cells.emplace_back(h, v);
        }
        return true;
    });
    for (const auto& pos : cells) {
        LX_DEBUG("read: class at %s outside the table dropped", pos.to_string().c_str());
        m_parts.element_cells->remove(pos.h, pos.v);
    }
    for (const auto& con : in_uid_order(*m_parts.connector_set)) {
        if (!con->start_pos.is_valid() || !con->end_pos.is_valid()) {
            LX_DEBUG("read: connector %s-%s outside the table dropped",
                     con->start_pos.to_string().c_str(), con->end_pos.to_string().c_str());
            m_parts.connector_set->remove(con);
        }
    }
}

// A damaged or hand-edited document can give several classes or connectors
// one uid, which then names no single element. One keeps it and the others
// get fresh ones; classes come before connectors, classes in cell order (row,
// then column), connectors in the order of foreach_ordered.
void Workspace::make_uids_unique() {
    UniqueIdGenerator& gen = m_parts.elem_context->get_uid_generator();
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
    m_parts.element_cells->foreach (
        [&](int32_t h, int32_t v, const std::shared_ptr<Element>& elem) {
            classes.emplace_back(CellPos(h, v), elem);
            return true;
        });
    std::sort(classes.begin(), classes.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [pos, elem] : classes) {
        keep_or_renew(*elem);
    }
    m_parts.connector_set->foreach_ordered(
        [&](const std::shared_ptr<AbstractConnectorElement>& con) {
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
                m_parts.element_cells->read(reader);
            } else if (name == "connector_set") {
                m_parts.connector_set->read(reader);
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
    m_parts.element_cells->foreach (
        [&terms](int32_t h, int32_t v, const std::shared_ptr<Element>&) {
            terms.emplace_back(h, v);
            return true;
        });
    m_parts.router->add_terminatable_nodes(terms);
    m_parts.connector_set->update_linked_elem(*m_parts.element_cells);
    for (const auto& con : in_uid_order(*m_parts.connector_set)) {
        route(*con);
    }
    fit_lines_to_segments(false);
    fit_lines_to_labels(false);
    update_layout_all();
    // Every segment is fresh and so not laid out: this lays out each group
    // once, which is what laying out the group of every segment comes to.
    m_parts.seg_layouter->layout_not_laid_out_segs();
    m_parts.router->clear_changed();
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
    Parts saved = std::exchange(m_parts, Parts::fresh());
    if (!read(*reader) || reader->has_error()) {
        m_parts = std::move(saved);
        LX_DEBUG("load: %s is not a readable document", path.c_str());
        return false;
    }
    set_file_path(path);
    m_is_updated = false;
    LX_DEBUG("load %s", path.c_str());
    return true;
}

}  // namespace Model

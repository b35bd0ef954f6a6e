#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <glib.h>

#include "common/serializing.hpp"
#include "model/class_element.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"
#include "model/routing/segment.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"

namespace lattrix_test {

// The document as the workspace would save it.
inline std::string to_xml(Model::Workspace& ws) {
    auto writer = SerializingWriter::to_memory();
    ws.write(*writer);
    writer->finish();
    return writer->get_contents();
}

// Where every connector runs, segment by segment, in uid order: what two
// workspaces must share to draw the same routes.
inline std::string routes_signature(Model::Workspace& ws) {
    std::string sig;
    char buf[200];
    ws.get_connector_set()->foreach_ordered([&](const auto& con) {
        std::snprintf(buf, sizeof buf, "con %08x %s-%s:", con->get_uid(),
                      con->start_pos.to_string().c_str(), con->end_pos.to_string().c_str());
        sig += buf;
        for (const auto& seg : con->get_segments()) {
            std::snprintf(buf, sizeof buf, " %s-%s %.3f,%.3f %.3f,%.3f",
                          seg->start.to_string().c_str(), seg->end.to_string().c_str(),
                          seg->start_point.x, seg->start_point.y, seg->end_point.x,
                          seg->end_point.y);
            sig += buf;
        }
        sig += "\n";
        return true;
    });
    return sig;
}

// Draws a connector the way the connect mode does.
inline std::shared_ptr<Model::AbstractConnectorElement> connect(
    Model::Workspace& ws, const CellPos& start, const CellPos& end,
    const std::string& type = "association") {
    if (!ws.new_floating_connector(start, type)) {
        return nullptr;
    }
    ws.update_floating_connector(end);
    auto con = ws.get_floating_connector();
    if (!ws.fix_floating_connector()) {
        ws.rm_floating_connector();
        return nullptr;
    }
    return con;
}

inline std::shared_ptr<Model::ClassElement> class_at(Model::Workspace& ws, int32_t h, int32_t v) {
    return std::dynamic_pointer_cast<Model::ClassElement>(ws.get_element_cells()->get(h, v));
}

inline bool has_connector(Model::Workspace& ws, const CellPos& start, const CellPos& end) {
    for (const auto& con : *ws.get_connector_set()) {
        if (con->start_pos == start && con->end_pos == end) {
            return true;
        }
    }
    return false;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void write_file(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out << data;
}

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir() {
        gchar* p = g_dir_make_tmp("lattrix-ws-XXXXXX", nullptr);
        m_path = p != nullptr ? p : "";
        g_free(p);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
};

}  // namespace lattrix_test

// Reads arbitrary bytes as a document through Workspace::load, the road a
// file opened by the user takes. A document that loads must also write.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include <glib.h>
#include <unistd.h>

#include "common/serializing.hpp"
#include "model/workspace.hpp"

namespace {

std::string temp_path() {
    const char* dir = g_get_tmp_dir();
    gchar* p = g_strdup_printf("%s/lattrix-fuzz-%d.xml", dir, static_cast<int>(getpid()));
    std::string path(p);
    g_free(p);
    return path;
}

void quiet_log(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        // Debug logging of every refused node would dominate the run time.
        g_log_set_default_handler(quiet_log, nullptr);
        return temp_path();
    }();
    if (!g_file_set_contents(path.c_str(), reinterpret_cast<const char*>(data),
                             static_cast<gssize>(size), nullptr)) {
        return 0;
    }
    // One workspace for every input, as in the program, where each load
    // re-initialises the same workspace.
    static Model::Workspace ws;
    if (ws.load(path)) {
        auto writer = SerializingWriter::to_memory();
        ws.write(*writer);
        writer->finish();
        if (writer->has_failed()) {
            abort();
        }
    }
    return 0;
}

#pragma once

// What the benchmark programs share: the generated documents, kept in a
// private temporary directory for the life of the process, and the places
// of the diagram that the single edits work on.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string>

#include <benchmark/benchmark.h>
#include <glib.h>
#include <glib/gstdio.h>

#include "diagram_generator.hpp"

namespace Bench {

// The diagram sizes every benchmark runs at.
inline constexpr int SIZES[] = {50, 200, 1000};

// Registers fn at one diagram size, reported in milliseconds as the
// aggregate of five repetitions.
template <class Fn>
void register_at(const std::string& name, Fn fn, int size, double min_time,
                 bool manual_time = false) {
    auto* b = benchmark::RegisterBenchmark(name.c_str(), fn)
                  ->Arg(size)
                  ->Unit(benchmark::kMillisecond)
                  ->MinTime(min_time)
                  ->Repetitions(5)
                  ->ReportAggregatesOnly(true);
    if (manual_time) {
        b->UseManualTime();
    }
}

// The same at every diagram size.
template <class Fn>
void register_sized(const std::string& name, Fn fn, double min_time, bool manual_time = false) {
    for (int n : SIZES) {
        register_at(name, fn, n, min_time, manual_time);
    }
}

inline int run_benchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

class TempDir {
  public:
    TempDir() {
        std::string tmpl = std::string(g_get_tmp_dir()) + "/lattrix-bench-XXXXXX";
        char* made = g_mkdtemp(tmpl.data());
        m_path = made != nullptr ? made : g_get_tmp_dir();
    }
    ~TempDir() {
        GDir* dir = g_dir_open(m_path.c_str(), 0, nullptr);
        if (dir != nullptr) {
            while (const char* name = g_dir_read_name(dir)) {
                g_unlink((m_path + "/" + name).c_str());
            }
            g_dir_close(dir);
        }
        g_rmdir(m_path.c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
};

inline TempDir& temp_dir() {
    static TempDir dir;
    return dir;
}

inline const GenDiagram& diagram(int n) {
    static std::map<int, GenDiagram> cache;
    auto it = cache.find(n);
    if (it == cache.end()) {
        it = cache.emplace(n, generate_diagram(n)).first;
    }
    return it->second;
}

// The document of the diagram of n classes, written on first use; with
// labels, a name and end labels on every connector.
inline std::string document_path(int n, bool labels = false) {
    static std::map<std::pair<int, bool>, std::string> paths;
    auto it = paths.find({n, labels});
    if (it == paths.end()) {
        std::string path = temp_dir().path() + "/diagram-" + std::to_string(n) +
                           (labels ? "-labels" : "") + ".xml";
        write_file(path, to_document_xml(diagram(n), labels));
        it = paths.emplace(std::pair{n, labels}, path).first;
    }
    return it->second;
}

// The class nearest to the middle of the diagram: the edits happen there,
// so a row or column edit moves about half of everything.
inline const GenClass& middle_class(const GenDiagram& d) {
    int32_t max_h = 0;
    int32_t max_v = 0;
    for (const auto& c : d.classes) {
        max_h = std::max(max_h, c.h);
        max_v = std::max(max_v, c.v);
    }
    const GenClass* best = &d.classes.front();
    double best_dist = std::numeric_limits<double>::max();
    for (const auto& c : d.classes) {
        const double dist = std::hypot(c.h - max_h / 2.0, c.v - max_v / 2.0);
        if (dist < best_dist) {
            best_dist = dist;
            best = &c;
        }
    }
    return *best;
}

// The path of the program beside this one in the build directory.
inline std::string sibling_program(const char* name) {
    char buf[4096];
    const ssize_t len = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (len <= 0) {
        return name;
    }
    std::string self(buf, static_cast<size_t>(len));
    return self.substr(0, self.rfind('/') + 1) + name;
}

}  // namespace Bench

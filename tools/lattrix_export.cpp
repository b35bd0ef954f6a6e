// lattrix-export: writes a Lattrix document as PNG, SVG or PDF without a
// display, painted by the same drawers and colour map as the editor's export.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <glibmm/init.h>

#include "common/cell_range.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/routing/segment.hpp"
#include "common/file_kind.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "render/connector_labels.hpp"
#include "render/drawer_context.hpp"
#include "render/exporting_canvas.hpp"

namespace {

// Distinct exit codes, so scripts can tell what went wrong.
enum Exit { OK = 0, BAD_ARGS = 1, BAD_INPUT = 2, BAD_OUTPUT = 3 };

const char* const USAGE =
    "usage: lattrix-export [--range H0,V0:H1,V1] [--scale F] [--format png|svg|pdf]\n"
    "                      INPUT.xml OUTPUT.{png,svg,pdf}|-\n"
    "  --range   export only these cells (default: every class)\n"
    "  --scale   PNG pixels per diagram pixel, 0.25 to 4 (default 1)\n"
    "  --format  the format, whatever the output's name; - writes to standard output";

constexpr double MIN_SCALE = 0.25;
constexpr double MAX_SCALE = 4.0;

int fail(Exit code, const std::string& message) {
    std::fprintf(stderr, "lattrix-export: %s\n", message.c_str());
    return code;
}

std::optional<int32_t> parse_coord(std::string_view s) {
    int32_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || value < 0 || value > CellPos::MAX) {
        return std::nullopt;
    }
    return value;
}

std::optional<CellPos> parse_pos(std::string_view s) {
    size_t comma = s.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    auto h = parse_coord(s.substr(0, comma));
    auto v = parse_coord(s.substr(comma + 1));
    if (!h || !v) {
        return std::nullopt;
    }
    return CellPos(*h, *v);
}

// "H0,V0:H1,V1", corners in any order.
std::optional<CellRange> parse_range(std::string_view s) {
    size_t colon = s.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    auto start = parse_pos(s.substr(0, colon));
    auto end = parse_pos(s.substr(colon + 1));
    if (!start || !end) {
        return std::nullopt;
    }
    CellRange r(*start, *end);
    r.ensure_consistency();
    return r;
}

// The smallest block of cells holding every class and every route (a
// self-relation loops through the cells beside its class); one cell for an
// empty document, so the output is still a valid (blank) image.
CellRange classes_range(const Model::Workspace& ws) {
    std::optional<CellRange> r;
    auto take = [&r](int32_t h, int32_t v) {
        if (!r) {
            r = CellRange(CellPos(h, v), CellPos(h, v));
        } else {
            r->start = CellPos(std::min(r->start.h, h), std::min(r->start.v, v));
            r->end = CellPos(std::max(r->end.h, h), std::max(r->end.v, v));
        }
    };
    ws.get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto&) {
        take(h, v);
        return true;
    });
    for (const auto& con : *ws.get_connector_set()) {
        for (const auto& seg : con->get_segments()) {
            take(seg->start.h, seg->start.v);
            take(seg->end.h, seg->end.v);
        }
    }
    return r.value_or(CellRange());
}

std::optional<View::ExportFormat> parse_format(std::string_view s) {
    if (s == "png") {
        return View::ExportFormat::PNG;
    }
    if (s == "svg") {
        return View::ExportFormat::SVG;
    }
    if (s == "pdf") {
        return View::ExportFormat::PDF;
    }
    return std::nullopt;
}

std::optional<double> parse_scale(const std::string& s) {
    char* end = nullptr;
    const double v = g_ascii_strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size() || !(v >= MIN_SCALE && v <= MAX_SCALE)) {
        return std::nullopt;
    }
    return v;
}

// Writes all of data to standard output.
bool write_stdout(const std::string& data, std::string& error) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::strerror(errno);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Glib::init();
    std::optional<CellRange> range;
    std::optional<View::ExportFormat> format;
    double scale = 1.0;
    std::string input, output;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--range") {
            if (!has_value) {
                return fail(BAD_ARGS, std::string("--range needs H0,V0:H1,V1\n") + USAGE);
            }
            range = parse_range(argv[++i]);
            if (!range) {
                return fail(BAD_ARGS, std::string("bad range '") + argv[i] +
                                          "': expected H0,V0:H1,V1 with each in 0..65535");
            }
        } else if (arg == "--format") {
            format = has_value ? parse_format(argv[++i]) : std::nullopt;
            if (!format) {
                return fail(BAD_ARGS, std::string("--format needs png, svg or pdf\n") + USAGE);
            }
        } else if (arg == "--scale") {
            std::optional<double> s = has_value ? parse_scale(argv[++i]) : std::nullopt;
            if (!s) {
                return fail(BAD_ARGS,
                            std::string("--scale needs a number from 0.25 to 4\n") + USAGE);
            }
            scale = *s;
        } else if (arg == "-h" || arg == "--help") {
            std::printf("%s\n", USAGE);
            return OK;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return fail(BAD_ARGS, "unknown option " + arg + "\n" + USAGE);
        } else if (positional == 0) {
            input = arg;
            ++positional;
        } else if (positional == 1) {
            output = arg;
            ++positional;
        } else {
            return fail(BAD_ARGS, USAGE);
        }
    }
    if (positional != 2) {
        return fail(BAD_ARGS, USAGE);
    }
    const bool to_stdout = output == "-";
    if (!format) {
        format = to_stdout ? View::ExportFormat::PNG : View::export_format_for_path(output);
    }
    if (!format) {
        return fail(BAD_ARGS,
                    "the output must end in .png, .svg or .pdf (or give --format): " + output);
    }

    // The editor binds a missing file to a new empty document; here a missing
    // input is a mistake worth saying so. The editor's own check refuses
    // anything but a regular file without opening it (a FIFO would block).
    GStatBuf st;
    if (g_stat(input.c_str(), &st) != 0) {
        return fail(BAD_INPUT, "cannot read " + input + ": " + std::strerror(errno));
    }
    if (const std::string problem = special_file_problem(input); !problem.empty()) {
        return fail(BAD_INPUT, problem);
    }
    auto ws = std::make_shared<Model::Workspace>();
    if (!ws->load(input)) {
        return fail(BAD_INPUT, input + " is not a readable Lattrix document");
    }

    CellRange cells = range.value_or(classes_range(*ws));
    const Rectangle rect = View::area_with_labels(*ws, ws->get_grid()->get_rectangle_range(cells));
    const double s = *format == View::ExportFormat::PNG ? scale : 1.0;
    if (!View::ExportingCnavas::fits_export(rect.width * s, rect.height * s)) {
        // A range asked for is the caller's mistake; a whole diagram too
        // large to draw is the document's.
        return fail(range ? BAD_ARGS : BAD_INPUT,
                    "the range " + cells.to_string() + " is too large to export");
    }

    View::ExportingCnavas canvas(ws, rect);
    canvas.set_scale(scale);
    std::string error;
    if (to_stdout) {
        std::string data;
        if (!canvas.export_to_memory(*format, data, &error) || !write_stdout(data, error)) {
            return fail(BAD_OUTPUT, "cannot write to standard output: " + error);
        }
        return OK;
    }
    if (!canvas.export_(output, *format, &error)) {
        return fail(BAD_OUTPUT, "cannot write " + output + ": " + error);
    }
    return OK;
}

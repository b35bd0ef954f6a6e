// lattrix-export: writes a Lattrix document as PNG, SVG or PDF without a
// display, painted by the same drawers and colour map as the editor's export.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <glib.h>
#include <glibmm/init.h>

#include "common/cell_range.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "render/drawer_context.hpp"
#include "render/exporting_canvas.hpp"

namespace {

// Distinct exit codes, so scripts can tell what went wrong.
enum Exit { OK = 0, BAD_ARGS = 1, BAD_INPUT = 2, BAD_OUTPUT = 3 };

const char* const USAGE =
    "usage: lattrix-export [--range H0,V0:H1,V1] INPUT.xml OUTPUT.{png,svg,pdf}";

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

// The smallest block of cells holding every class; one cell for an empty
// document, so the output is still a valid (blank) image.
CellRange classes_range(const Model::Workspace& ws) {
    std::optional<CellRange> r;
    ws.get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto&) {
        if (!r) {
            r = CellRange(CellPos(h, v), CellPos(h, v));
        } else {
            r->start = CellPos(std::min(r->start.h, h), std::min(r->start.v, v));
            r->end = CellPos(std::max(r->end.h, h), std::max(r->end.v, v));
        }
        return true;
    });
    return r.value_or(CellRange());
}

}  // namespace

int main(int argc, char** argv) {
    Glib::init();
    std::optional<CellRange> range;
    std::string input, output;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--range") {
            if (i + 1 >= argc) {
                return fail(BAD_ARGS, std::string("--range needs H0,V0:H1,V1\n") + USAGE);
            }
            range = parse_range(argv[++i]);
            if (!range) {
                return fail(BAD_ARGS, std::string("bad range '") + argv[i] +
                                          "': expected H0,V0:H1,V1 with each in 0..65535");
            }
        } else if (arg == "-h" || arg == "--help") {
            std::printf("%s\n", USAGE);
            return OK;
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
    std::optional<View::ExportFormat> format = View::export_format_for_path(output);
    if (!format) {
        return fail(BAD_ARGS, "the output must end in .png, .svg or .pdf: " + output);
    }

    // The editor binds a missing file to a new empty document; here a missing
    // input is a mistake worth saying so.
    if (!g_file_test(input.c_str(), G_FILE_TEST_IS_REGULAR)) {
        return fail(BAD_INPUT, "cannot read " + input + ": no such file");
    }
    auto ws = std::make_shared<Model::Workspace>();
    if (!ws->load(input)) {
        return fail(BAD_INPUT, input + " is not a readable Lattrix document");
    }

    CellRange cells = range.value_or(classes_range(*ws));
    Rectangle rect = ws->get_grid()->get_rectangle_range(cells);
    if (rect.width > View::DrawerContext::MAX_IMG_SIDE ||
        rect.height > View::DrawerContext::MAX_IMG_SIDE ||
        rect.width * rect.height > static_cast<double>(View::DrawerContext::MAX_IMG_PIXELS)) {
        return fail(BAD_ARGS, "the range " + cells.to_string() + " is too large to export");
    }

    View::ExportingCnavas canvas(ws, rect);
    std::string error;
    if (!canvas.export_(output, *format, &error)) {
        return fail(BAD_OUTPUT, "cannot write " + output + ": " + error);
    }
    return OK;
}

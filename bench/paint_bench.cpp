// Painting generated diagrams of N classes: one full frame of a 1000 x 800
// view of the editor's canvas, painted by the canvas's own drawers into an
// image surface (no display needed), and the whole run of lattrix-export
// writing the diagram as PNG.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <memory>
#include <string>

#include <cairo.h>
#include <cairomm/surface.h>
#include <glibmm/init.h>
#include <zlib.h>

#include "bench_support.hpp"
#include "ctrl/actions.hpp"
#include "model/connectors.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "render/connector_labels.hpp"
#include "render/color_map.hpp"
#include "render/drawer_context.hpp"
#include "render/drawers/drawer_list.hpp"
#include "render/png_writer.hpp"
#include "render/run_deflater.hpp"
#include "view/zoom.hpp"

extern char** environ;

namespace {

// A 1000 x 800 frame centred on the middle class of the n-class diagram,
// so at n >= 200 it is full of boxes and connectors; the cursor sits on
// that class. Without an image surface the state is skipped: nullptr.
std::shared_ptr<View::WorkspaceDrawerContext> centred_frame(
    benchmark::State& state, const std::shared_ptr<Model::Workspace>& ws, int n) {
    const Bench::GenClass& mid = Bench::middle_class(Bench::diagram(n));
    const Rectangle cell = ws->get_grid()->get_rectangle(mid.h, mid.v);
    auto dc = std::make_shared<View::WorkspaceDrawerContext>(ws);
    if (!dc->configure_img(1000, 800)) {
        state.SkipWithError("no image surface");
        return nullptr;
    }
    dc->set_color_map(std::make_shared<View::ColorMap>());
    dc->set_offset(Point(-std::max(0.0, cell.x + cell.width / 2 - 500),
                         -std::max(0.0, cell.y + cell.height / 2 - 400)));
    dc->set_cell_pos(CellPos(mid.h, mid.v));
    return dc;
}

void BM_CanvasFrame(benchmark::State& state, bool labels) {
    const int n = static_cast<int>(state.range(0));
    auto ws = std::make_shared<Model::Workspace>();
    if (!ws->load(Bench::document_path(n, labels))) {
        state.SkipWithError("load failed");
        return;
    }
    auto dc = centred_frame(state, ws, n);
    if (!dc) {
        return;
    }
    const View::DrawerList drawers = View::new_canvas_drawers(dc);
    for (auto _ : state) {
        View::draw_all(drawers, *dc);
        // Make sure cairo has really put every pixel in place.
        dc->get_surface()->flush();
    }
}

// After an edit of the 1000-class diagram with labels on every connector,
// where labels are placed again: range(1) 0 changes the middle class's
// first connector's name back and forth, 1 moves the middle class right and
// back, 2 makes no edit. Only what follows the edit is timed (CPU time of
// the thread), its wall time as wall_ms: the first frame, or with
// placement_only the placement alone, kept from edit to edit, or made from
// scratch when there is no edit.
void BM_AfterEdit(benchmark::State& state, bool placement_only) {
    constexpr int N = 1000;
    auto ws = std::make_shared<Model::Workspace>();
    if (!ws->load(Bench::document_path(N, true))) {
        state.SkipWithError("load failed");
        return;
    }
    const Bench::GenClass& mid = Bench::middle_class(Bench::diagram(N));
    const CellPos middle(mid.h, mid.v);
    auto dc = centred_frame(state, ws, N);
    if (!dc) {
        return;
    }
    const View::DrawerList drawers = View::new_canvas_drawers(dc);
    std::shared_ptr<Model::AbstractConnectorElement> con;
    ws->get_connector_set()->foreach_ordered([&](const auto& c) {
        con = c->start_pos == middle || c->end_pos == middle ? c : nullptr;
        return con == nullptr;
    });
    if (!con) {
        state.SkipWithError("no connector at the middle class");
        return;
    }
    const std::string name = con->get_label(Model::ConnectorLabel::NAME);
    std::unique_ptr<Ctrl::Action> move;
    View::LabelPlacer placer;
    if (placement_only) {
        placer.place(*ws);
    } else {
        View::draw_all(drawers, *dc);
    }
    bool edited = false;
    double wall_total = 0;
    size_t labels = 0;  // those placed (again)
    auto cpu_now = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
    };
    for (auto _ : state) {
        if (state.range(1) == 0) {
            ws->set_connector_label(*con, Model::ConnectorLabel::NAME,
                                    edited ? name : name + " parts");
        } else if (state.range(1) == 2) {
        } else if (!move) {
            move = std::make_unique<Ctrl::MoveClassAction>(ws, middle, MovingDir::RIGHT);
            if (!move->execute()) {
                state.SkipWithError("move refused");
                break;
            }
        } else if (edited) {
            move->undo();
        } else {
            move->redo();
        }
        edited = !edited;
        const auto w0 = std::chrono::steady_clock::now();
        const double c0 = cpu_now();
        if (!placement_only) {
            View::draw_all(drawers, *dc);
            dc->get_surface()->flush();
        } else if (state.range(1) == 2) {
            labels = 0;
            for (const auto& [c, list] : View::place_connector_labels(*ws)) {
                labels += list.size();
            }
        } else {
            placer.place(*ws);
            labels = placer.get_replaced_count();
        }
        state.SetIterationTime(cpu_now() - c0);
        wall_total +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - w0)
                .count();
    }
    if (state.iterations() > 0) {
        state.counters["wall_ms"] = wall_total / static_cast<double>(state.iterations());
    }
    if (placement_only) {
        state.counters["placed"] = static_cast<double>(labels);
    }
}

// One frame of a 1000 x 800 view of the 1000-class diagram at a zoom level
// (percent; 0 is the level Fit chooses for the whole diagram), centred on
// the middle class, as the canvas paints it: below the level where text can
// be read, boxes go without their texts.
void BM_CanvasFrameZoom(benchmark::State& state) {
    constexpr int N = 1000;
    constexpr int W = 1000;
    constexpr int H = 800;
    auto ws = std::make_shared<Model::Workspace>();
    if (!ws->load(Bench::document_path(N))) {
        state.SkipWithError("load failed");
        return;
    }
    const Bench::GenClass& mid = Bench::middle_class(Bench::diagram(N));
    const CellPos cursor(mid.h, mid.v);
    auto dc = std::make_shared<View::WorkspaceDrawerContext>(ws);
    if (!dc->configure_img(W, H)) {
        state.SkipWithError("no image surface");
        return;
    }
    dc->set_color_map(std::make_shared<View::ColorMap>());
    dc->set_cell_pos(cursor);
    double zoom = static_cast<double>(state.range(0)) / 100.0;
    Point offset;
    if (state.range(0) == 0) {
        const View::Zoom::Fit fit = View::Zoom::fit(View::Zoom::diagram_area(*ws, cursor), W, H);
        zoom = fit.zoom;
        offset = fit.offset;
    } else {
        const Rectangle cell = ws->get_grid()->get_rectangle(mid.h, mid.v);
        offset = Point(-(cell.x + cell.width / 2 - W / zoom / 2),
                       -(cell.y + cell.height / 2 - H / zoom / 2));
        offset = View::Zoom::clamp_offset(offset, zoom, W, H, View::Zoom::world_area(*ws));
    }
    dc->set_scale(zoom);
    dc->set_draws_texts(zoom >= View::Zoom::MIN_TEXT);
    dc->set_offset(offset);
    const View::DrawerList drawers = View::new_canvas_drawers(dc);
    for (auto _ : state) {
        View::draw_all(drawers, *dc);
        dc->get_surface()->flush();
    }
    state.counters["zoom_pct"] = zoom * 100.0;
}

// lattrix-export as a user runs it: start, read, route, lay out, paint,
// encode, write.
// Runs lattrix-export on in, writing out; usage gets the child's
// resource use. False when it could not run or failed.
bool run_export(const std::string& in, const std::string& out, rusage& usage) {
    const std::string tool = Bench::sibling_program("lattrix-export");
    char* argv[] = {const_cast<char*>(tool.c_str()), const_cast<char*>(in.c_str()),
                    const_cast<char*>(out.c_str()), nullptr};
    pid_t pid = 0;
    int status = 0;
    return posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv, environ) == 0 &&
           wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_ExportToolPng(benchmark::State& state, bool labels) {
    const int n = static_cast<int>(state.range(0));
    const std::string in = Bench::document_path(n, labels);
    const std::string out = Bench::temp_dir().path() + "/export-" + std::to_string(n) +
                            (labels ? "-labels" : "") + ".png";
    double wall_total = 0;
    for (auto _ : state) {
        rusage usage{};
        const auto t0 = std::chrono::steady_clock::now();
        if (!run_export(in, out, usage)) {
            state.SkipWithError("lattrix-export failed");
            break;
        }
        const auto t1 = std::chrono::steady_clock::now();
        wall_total += std::chrono::duration<double, std::milli>(t1 - t0).count();
        // The child's own CPU time, user and system: what the run costs on
        // a machine that is not busy with other work.
        auto seconds = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec * 1e-6; };
        state.SetIterationTime(seconds(usage.ru_utime) + seconds(usage.ru_stime));
    }
    if (state.iterations() > 0) {
        state.counters["wall_ms"] = wall_total / static_cast<double>(state.iterations());
    }
}

// The export of the n-class diagram with labels as cairo holds it while
// painting, made once by lattrix-export; nullptr when that fails.
Cairo::RefPtr<Cairo::ImageSurface> exported_image(int n) {
    static std::map<int, Cairo::RefPtr<Cairo::ImageSurface>> images;
    auto it = images.find(n);
    if (it != images.end()) {
        return it->second;
    }
    const std::string out = Bench::temp_dir().path() + "/image-" + std::to_string(n) + ".png";
    rusage usage{};
    Cairo::RefPtr<Cairo::ImageSurface> img;
    if (run_export(Bench::document_path(n, true), out, usage)) {
        img = Cairo::ImageSurface::create_from_png(out);
    }
    return images[n] = img;
}

// Encoding a grey export, without the painting: the whole PNG writer from
// cairo's pixels, or only a compressor on the Up-filtered rows, this
// program's or zlib's fastest level. Items are pixels, so 1e9 divided by
// items_per_second is ns per pixel; bytes is the compressed size.
enum class Encoder { PNG_WRITER, RUNS, ZLIB1 };

void BM_EncodeGreyPng(benchmark::State& state, Encoder encoder) {
    const auto img = exported_image(static_cast<int>(state.range(0)));
    if (!img) {
        state.SkipWithError("no exported image");
        return;
    }
    const auto w = static_cast<uint32_t>(img->get_width());
    const auto h = static_cast<uint32_t>(img->get_height());
    const int stride = img->get_stride();
    const unsigned char* data = img->get_data();
    std::vector<unsigned char> filtered((w + size_t{1}) * h);
    std::vector<unsigned char> prev(w);
    for (uint32_t y = 0; y < h; ++y) {
        const auto* argb = reinterpret_cast<const uint32_t*>(data + ptrdiff_t{stride} * y);
        unsigned char* row = filtered.data() + (w + size_t{1}) * y;
        row[0] = y == 0 ? 0 : 2;
        for (uint32_t x = 0; x < w; ++x) {
            const auto v = static_cast<unsigned char>(argb[x] >> 8);
            row[x + 1] = static_cast<unsigned char>(v - prev[x]);
            prev[x] = v;
        }
    }
    size_t bytes = 0;
    std::vector<unsigned char> sink(size_t{1} << 20);
    for (auto _ : state) {
        switch (encoder) {
            case Encoder::PNG_WRITER: {
                std::string out;
                View::PngWriter png(out, w, h, View::PngWriter::ColorType::GREY);
                // In bands of 16 MiB, as the export paints.
                const int band = std::max(1, (16 << 20) / stride);
                for (int y = 0; y < static_cast<int>(h); y += band) {
                    png.add_rows(data + static_cast<ptrdiff_t>(y) * stride, stride,
                                 std::min<int>(band, static_cast<int>(h) - y));
                }
                if (!png.finish()) {
                    state.SkipWithError("encoding failed");
                }
                bytes = out.size();
                break;
            }
            case Encoder::RUNS: {
                View::RunDeflater runs;
                bytes = 0;
                for (size_t at = 0; at < filtered.size(); at += w + size_t{1}) {
                    runs.add(filtered.data() + at, w + size_t{1});
                    bytes += runs.size();
                    runs.clear();
                }
                runs.finish();
                bytes += runs.size();
                break;
            }
            case Encoder::ZLIB1: {
                z_stream zs{};
                deflateInit(&zs, 1);
                zs.next_in = filtered.data();
                zs.avail_in = static_cast<uInt>(filtered.size());
                bytes = 0;
                do {
                    zs.next_out = sink.data();
                    zs.avail_out = static_cast<uInt>(sink.size());
                    deflate(&zs, Z_FINISH);
                    bytes += sink.size() - zs.avail_out;
                } while (zs.avail_out == 0);
                deflateEnd(&zs);
                break;
            }
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * w * h);
    state.counters["bytes"] = static_cast<double>(bytes);
}

}  // namespace

int main(int argc, char** argv) {
    Glib::init();
    Bench::register_sized(
        "canvas_frame_1000x800", [](benchmark::State& s) { BM_CanvasFrame(s, false); }, 0.2);
    Bench::register_sized(
        "export_tool_png", [](benchmark::State& s) { BM_ExportToolPng(s, false); }, 0.5, true);
    // The largest diagram with a name and end labels on every connector.
    Bench::register_at(
        "canvas_frame_1000x800.labels", [](benchmark::State& s) { BM_CanvasFrame(s, true); }, 1000,
        0.2);
    for (int edit : {0, 1, 2}) {
        for (bool placement_only : {false, true}) {
            if (edit == 2 && !placement_only) {
                continue;  // the steady frame above
            }
            benchmark::RegisterBenchmark(
                placement_only ? "label_placement_1000.labels"
                               : "canvas_first_frame_after_edit_1000x800.labels",
                [placement_only](benchmark::State& s) { BM_AfterEdit(s, placement_only); })
                ->Args({1000, edit})
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.5)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true)
                ->UseManualTime();
        }
    }
    // With labels the lines make room for, the 1000-class image is about
    // 18k x 10k pixels: painted in bands, it is exported like any other.
    Bench::register_sized(
        "export_tool_png.labels", [](benchmark::State& s) { BM_ExportToolPng(s, true); }, 0.5,
        true);
    for (auto [name, encoder] : {std::pair{"encode_grey_png.labels", Encoder::PNG_WRITER},
                                 std::pair{"deflate_runs.labels", Encoder::RUNS},
                                 std::pair{"deflate_zlib1.labels", Encoder::ZLIB1}}) {
        Bench::register_at(
            name, [encoder](benchmark::State& s) { BM_EncodeGreyPng(s, encoder); }, 200, 0.5);
    }
    for (int pct : {0, 10, 25, 50, 100, 200, 400}) {
        Bench::register_at("canvas_frame_zoom_1000_classes", BM_CanvasFrameZoom, pct, 0.2);
    }
    return Bench::run_benchmarks(argc, argv);
}

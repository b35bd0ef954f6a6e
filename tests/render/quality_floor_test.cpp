// The benchmarks' floor on bends, on diagrams small enough to count by hand:
// the figures the quality report sets beside the routes' own must be right,
// or they say nothing about what a router could do.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <glib.h>
#include <gtest/gtest.h>

#include "diagram_generator.hpp"
#include "model/workspace.hpp"
#include "model/workspace_test_util.hpp"
#include "quality.hpp"

namespace {

Bench::GenClass klass(int32_t h, int32_t v, int lines) {
    Bench::GenClass c;
    c.h = h;
    c.v = v;
    c.uid = 0x1000 + static_cast<uint32_t>(v * 100 + h);
    c.name = "C" + std::to_string(h) + "_" + std::to_string(v);
    for (int i = 0; i < lines; ++i) {
        c.attributes.push_back("- field" + std::to_string(i) + " : int");
    }
    return c;
}

// The least bends of the one connector from the first class to the second,
// through free cells only and also beside boxes.
std::pair<double, double> floors(const std::vector<Bench::GenClass>& classes) {
    Bench::GenDiagram d;
    d.classes = classes;
    d.connectors.push_back(Bench::GenConnector{0x100000, 0, 1, "association"});
    const std::string path = std::string(g_get_tmp_dir()) + "/lattrix-quality-floor.xml";
    lattrix_test::write_file(path, Bench::to_document_xml(d));
    Model::Workspace ws;
    EXPECT_TRUE(ws.load(path));
    std::remove(path.c_str());
    const Bench::Quality q = Bench::measure_quality(ws);
    EXPECT_EQ(q.connectors, 1);
    return {q.bends_least_mean, q.bends_least_beside_mean};
}

// Two tall classes with a short one between them in a row: a straight line
// may pass beside the short box, within both tall sides. When the middle box
// is as tall, no line keeps clear of it and stays on both sides, and the
// floor is the detour's two bends. Turning beside a box counts too: from a
// tall class past a short one, down out of the short one's cell into the top
// of the class below it is one bend, where free cells alone need two (a
// class as wide as the first blocks the other L).
TEST(QualityFloorTest, BesideBoxesOnlyWhereTheBoxSizesLeaveRoom) {
    EXPECT_EQ(floors({klass(0, 0, 6), klass(4, 0, 6), klass(2, 0, 0)}), std::make_pair(2.0, 0.0));
    EXPECT_EQ(floors({klass(0, 0, 6), klass(4, 0, 6), klass(2, 0, 6)}), std::make_pair(2.0, 2.0));
    EXPECT_EQ(floors({klass(0, 0, 6), klass(2, 2, 1), klass(2, 0, 0), klass(0, 2, 6)}),
              std::make_pair(2.0, 1.0));
    // The same down a column: boxes of one column are as wide as their
    // longest line, so a wide pair passes beside a narrow class between.
    Bench::GenClass wide_top = klass(0, 0, 1);
    Bench::GenClass wide_bottom = klass(0, 4, 1);
    wide_top.name = wide_bottom.name = "AVeryLongClassNameIndeed";
    EXPECT_EQ(floors({wide_top, wide_bottom, klass(0, 2, 0)}), std::make_pair(2.0, 0.0));
}

}  // namespace

#include "model/workspace.hpp"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "model/grid.hpp"
#include "model/routing/router.hpp"
#include "model/routing/route_node.hpp"
#include "model/routing/router.hpp"
#include "model/routing/segment.hpp"
#include "model/routing/segment_layouter.hpp"
#include "model/workspace_diff.hpp"
#include "model/workspace_test_util.hpp"

using lattrix_test::class_at;
using lattrix_test::connect;
using lattrix_test::has_connector;
using lattrix_test::read_file;
using lattrix_test::routes_signature;
using lattrix_test::TempDir;
using lattrix_test::to_xml;
using lattrix_test::write_file;
using Model::Workspace;

namespace {

struct SignalCounter {
    int count = 0;
    explicit SignalCounter(Workspace& ws) {
        ws.signal_update().connect([this]() { ++count; });
    }
};

// Every segment of every connector is known to the layouter and laid out.
void expect_connectors_routed_and_laid_out(Workspace& ws) {
    for (const auto& con : *ws.get_connector_set()) {
        const auto& segs = con->get_segments();
        ASSERT_FALSE(segs.empty()) << con->start_pos.to_string();
        EXPECT_EQ(segs.front()->start, con->start_pos);
        EXPECT_EQ(segs.back()->end, con->end_pos);
        for (const auto& seg : segs) {
            EXPECT_TRUE(ws.get_seg_layouter()->contains(seg));
            EXPECT_TRUE(seg->is_laid_out);
        }
    }
}

}  // namespace

TEST(WorkspaceClassTest, NewClassSizesItsLinesAndIsCentred) {
    Workspace ws;
    SignalCounter signals(ws);
    ASSERT_TRUE(ws.add_class(CellPos(2, 3)));
    EXPECT_EQ(signals.count, 1);
    EXPECT_TRUE(ws.get_is_updated());

    auto elem = class_at(ws, 2, 3);
    ASSERT_NE(elem, nullptr);
    Rectangle name = elem->name_elem->get_rect();
    Rectangle box = elem->get_rect();
    // The box frames its only text by 5 pixels on each side.
    EXPECT_DOUBLE_EQ(box.width, name.width + 10);
    EXPECT_DOUBLE_EQ(box.height, name.height + 10);
    const auto& grid = *ws.get_grid();
    EXPECT_DOUBLE_EQ(grid.get(CellDir::H).get_size(2), std::max(box.width + 10, 20.0));
    EXPECT_DOUBLE_EQ(grid.get(CellDir::V).get_size(3), std::max(box.height + 10, 20.0));
    // Centred in its cell, in cell-local pixels; the name centred in its band.
    EXPECT_DOUBLE_EQ(box.x, 5);
    EXPECT_DOUBLE_EQ(box.y, 5);
    EXPECT_DOUBLE_EQ(name.x, 10);
    EXPECT_DOUBLE_EQ(name.y, 10);
    // Other lines keep the default size.
    EXPECT_DOUBLE_EQ(grid.get(CellDir::H).get_size(1), 20);
}

TEST(WorkspaceClassTest, OccupiedAndEmptyCellsAreRefusedWithoutSignal) {
    Workspace ws;
    ASSERT_TRUE(ws.add_class(CellPos(1, 1)));
    auto first = ws.get_element_cells()->get(1, 1);
    SignalCounter signals(ws);
    EXPECT_FALSE(ws.add_class(CellPos(1, 1)));
    EXPECT_EQ(ws.get_element_cells()->get(1, 1), first);
    EXPECT_FALSE(ws.rm_class(CellPos(2, 2)));
    EXPECT_FALSE(ws.add_class(CellPos(-1, 0)));
    EXPECT_FALSE(ws.add_class(CellPos(0, 65536)));
    EXPECT_EQ(signals.count, 0);
    EXPECT_EQ(ws.get_element_cells()->count(), 1);
}

TEST(WorkspaceClassTest, ColumnFollowsItsWidestClass) {
    Workspace ws;
    ws.add_class(CellPos(0, 0));
    ws.add_class(CellPos(0, 1));
    auto wide = class_at(ws, 0, 1);
    wide->name_elem->set_text("AVeryLongClassNameIndeed");
    ws.update_layout(CellPos(0, 1));
    double width = ws.get_grid()->get(CellDir::H).get_size(0);
    EXPECT_DOUBLE_EQ(width, wide->get_rect().width + 10);
    // The narrower class is centred in the wider column.
    auto narrow = class_at(ws, 0, 0);
    EXPECT_DOUBLE_EQ(narrow->get_rect().x, (width - narrow->get_rect().width) / 2);

    ws.rm_class(CellPos(0, 1));
    EXPECT_DOUBLE_EQ(ws.get_grid()->get(CellDir::H).get_size(0), narrow->get_rect().width + 10);
}

TEST(WorkspaceClassTest, RemovingAClassRemovesItsConnectorsAndKeepsOthersRouted) {
    Workspace ws;
    for (auto p : {CellPos(2, 2), CellPos(2, 5), CellPos(5, 2), CellPos(5, 5), CellPos(0, 5)}) {
        ASSERT_TRUE(ws.add_class(p));
    }
    auto a = connect(ws, CellPos(2, 2), CellPos(2, 5));
    auto b = connect(ws, CellPos(2, 2), CellPos(5, 2));
    auto c = connect(ws, CellPos(0, 5), CellPos(5, 5));
    auto d = connect(ws, CellPos(5, 2), CellPos(5, 5));
    ASSERT_TRUE(a && b && c && d);
    ASSERT_EQ(ws.get_connector_set()->size(), 4);

    ASSERT_TRUE(ws.rm_class(CellPos(2, 2)));
    EXPECT_FALSE(ws.get_connector_set()->contains(a));
    EXPECT_FALSE(ws.get_connector_set()->contains(b));
    EXPECT_EQ(ws.get_connector_set()->size(), 2);
    for (const auto& seg : a->get_segments()) {
        EXPECT_FALSE(ws.get_seg_layouter()->contains(seg));
    }
    expect_connectors_routed_and_laid_out(ws);
    // Other routes may now pass through the freed cell.
    EXPECT_TRUE(ws.get_router()->get(2, 2) == nullptr || !ws.get_router()->get(2, 2)->terminatable);
}

TEST(WorkspaceClassTest, RangeRemovalTakesClassesAndTheirConnectors) {
    Workspace ws;
    for (auto p : {CellPos(1, 1), CellPos(2, 1), CellPos(1, 3), CellPos(4, 4)}) {
        ws.add_class(p);
    }
    connect(ws, CellPos(1, 1), CellPos(4, 4));
    connect(ws, CellPos(1, 3), CellPos(4, 4));
    SignalCounter signals(ws);
    // Corners given bottom-right first.
    ASSERT_TRUE(ws.rm_class_range(CellRange(CellPos(2, 2), CellPos(0, 0))));
    EXPECT_EQ(signals.count, 1);
    EXPECT_EQ(ws.get_element_cells()->count(), 2);
    EXPECT_TRUE(class_at(ws, 1, 3) && class_at(ws, 4, 4));
    EXPECT_TRUE(has_connector(ws, CellPos(1, 3), CellPos(4, 4)));
    EXPECT_EQ(ws.get_connector_set()->size(), 1);
    expect_connectors_routed_and_laid_out(ws);
    // An empty range is a no-op that still reports an update.
    EXPECT_TRUE(ws.rm_class_range(CellRange(CellPos(7, 7), CellPos(9, 9))));
    EXPECT_EQ(ws.get_element_cells()->count(), 2);
}

TEST(WorkspaceLineTest, InsertColumnMovesClassesAndConnectorEnds) {
    Workspace ws;
    for (auto p : {CellPos(0, 1), CellPos(3, 1), CellPos(3, 4)}) {
        ws.add_class(p);
    }
    auto moved = class_at(ws, 3, 1);
    double width = ws.get_grid()->get(CellDir::H).get_size(3);
    connect(ws, CellPos(3, 1), CellPos(3, 4), "generalization");
    connect(ws, CellPos(0, 1), CellPos(3, 1), "dependency");

    ASSERT_TRUE(ws.insert_col(1));
    EXPECT_EQ(class_at(ws, 4, 1), moved);
    EXPECT_EQ(class_at(ws, 3, 1), nullptr);
    EXPECT_NE(class_at(ws, 0, 1), nullptr);
    EXPECT_TRUE(has_connector(ws, CellPos(4, 1), CellPos(4, 4)));
    EXPECT_TRUE(has_connector(ws, CellPos(0, 1), CellPos(4, 1)));
    // The column's size moved with its classes; the new column is default.
    EXPECT_DOUBLE_EQ(ws.get_grid()->get(CellDir::H).get_size(4), width);
    EXPECT_DOUBLE_EQ(ws.get_grid()->get(CellDir::H).get_size(1), 20);
    expect_connectors_routed_and_laid_out(ws);
    EXPECT_TRUE(ws.get_router()->get(4, 1)->terminatable);
}

TEST(WorkspaceLineTest, RemoveRowDropsWhatEndsThereAndKeepsWhatPassesThrough) {
    Workspace ws;
    for (auto p : {CellPos(1, 1), CellPos(1, 2), CellPos(1, 4), CellPos(3, 1), CellPos(3, 4)}) {
        ws.add_class(p);
    }
    auto lower = class_at(ws, 1, 4);
    connect(ws, CellPos(1, 1), CellPos(1, 2));
    connect(ws, CellPos(3, 1), CellPos(3, 4));
    connect(ws, CellPos(1, 2), CellPos(3, 4));

    ASSERT_TRUE(ws.remove_row(2));
    EXPECT_EQ(ws.get_element_cells()->count(), 4);
    EXPECT_EQ(class_at(ws, 1, 3), lower);
    EXPECT_EQ(ws.get_connector_set()->size(), 1);
    EXPECT_TRUE(has_connector(ws, CellPos(3, 1), CellPos(3, 3)));
    expect_connectors_routed_and_laid_out(ws);
}

TEST(WorkspaceLineTest, LinesOutsideTheTableAreRefused) {
    Workspace ws;
    ws.add_class(CellPos(2, 65535));
    SignalCounter signals(ws);
    EXPECT_FALSE(ws.insert_row(-1));
    EXPECT_FALSE(ws.remove_col(65536));
    // The class on the last row would be pushed out of the table.
    EXPECT_FALSE(ws.insert_row(3));
    EXPECT_NE(class_at(ws, 2, 65535), nullptr);
    EXPECT_EQ(signals.count, 0);
    EXPECT_TRUE(ws.insert_col(0));
    EXPECT_NE(class_at(ws, 3, 65535), nullptr);
}

TEST(WorkspaceFloatingTest, FixNeedsAnotherClassAtTheEnd) {
    Workspace ws;
    ws.add_class(CellPos(1, 1));
    ws.add_class(CellPos(4, 3));
    EXPECT_FALSE(ws.new_floating_connector(CellPos(2, 2), "association"));
    EXPECT_FALSE(ws.new_floating_connector(CellPos(1, 1), "no-such-kind"));
    EXPECT_FALSE(ws.update_floating_connector(CellPos(2, 2)));
    EXPECT_FALSE(ws.fix_floating_connector());

    ASSERT_TRUE(ws.new_floating_connector(CellPos(1, 1), "composition"));
    auto con = ws.get_floating_connector();
    ASSERT_NE(con, nullptr);
    EXPECT_EQ(con->start_elem, ws.get_element_cells()->get(1, 1));
    EXPECT_FALSE(ws.fix_floating_connector());  // still on its start cell

    ASSERT_TRUE(ws.update_floating_connector(CellPos(3, 3)));
    EXPECT_FALSE(con->get_segments().empty());
    EXPECT_EQ(con->end_elem, nullptr);
    EXPECT_FALSE(ws.fix_floating_connector());  // empty cell
    EXPECT_EQ(ws.get_floating_connector(), con);
    // The loose end is a terminal only while it is there.
    EXPECT_TRUE(ws.get_router()->get(3, 3)->terminatable);

    ASSERT_TRUE(ws.update_floating_connector(CellPos(4, 3)));
    EXPECT_EQ(con->end_elem, ws.get_element_cells()->get(4, 3));
    EXPECT_TRUE(ws.get_router()->get(3, 3) == nullptr || !ws.get_router()->get(3, 3)->terminatable);
    ASSERT_TRUE(ws.fix_floating_connector());
    EXPECT_EQ(ws.get_floating_connector(), nullptr);
    EXPECT_TRUE(ws.get_connector_set()->contains(con));
    EXPECT_EQ(con->start_pos, CellPos(1, 1));
    EXPECT_EQ(con->end_pos, CellPos(4, 3));
    expect_connectors_routed_and_laid_out(ws);
}

TEST(WorkspaceFloatingTest, CancelDropsTheSegmentsAndTheLooseEnd) {
    Workspace ws;
    ws.add_class(CellPos(1, 1));
    ws.new_floating_connector(CellPos(1, 1), "association");
    ws.update_floating_connector(CellPos(5, 5));
    auto con = ws.get_floating_connector();
    ASSERT_TRUE(ws.rm_floating_connector());
    EXPECT_EQ(ws.get_floating_connector(), nullptr);
    EXPECT_EQ(ws.get_seg_layouter()->size(), 0);
    EXPECT_TRUE(ws.get_router()->get(5, 5) == nullptr);
    EXPECT_TRUE(ws.get_connector_set()->is_empty());
}

TEST(WorkspaceFloatingTest, NeighboursCloseUpWhenTheLooseEndMovesAwayOrIsCancelled) {
    Workspace ws;
    for (auto p : {CellPos(1, 1), CellPos(1, 4), CellPos(3, 1), CellPos(3, 4)}) {
        ws.add_class(p);
    }
    auto fixed = connect(ws, CellPos(1, 1), CellPos(1, 4));
    ASSERT_NE(fixed, nullptr);
    auto positions = [&] {
        std::vector<double> list;
        for (const auto& seg : fixed->get_segments()) {
            list.push_back(seg->get_pos());
        }
        return list;
    };
    const auto alone = positions();

    // Drawn down the same column, the loose connector pushes the fixed one aside.
    ASSERT_TRUE(ws.new_floating_connector(CellPos(1, 1), "dependency"));
    ASSERT_TRUE(ws.update_floating_connector(CellPos(1, 4)));
    ASSERT_NE(positions(), alone);

    ASSERT_TRUE(ws.update_floating_connector(CellPos(3, 1)));
    EXPECT_EQ(positions(), alone);
    ASSERT_TRUE(ws.update_floating_connector(CellPos(1, 4)));
    ASSERT_NE(positions(), alone);
    ASSERT_TRUE(ws.rm_floating_connector());
    EXPECT_EQ(positions(), alone);
    expect_connectors_routed_and_laid_out(ws);
}

TEST(WorkspaceConnectorTest, RemovingAConnectorRespreadsItsNeighbours) {
    Workspace ws;
    for (auto p : {CellPos(1, 1), CellPos(1, 4), CellPos(2, 1), CellPos(2, 4)}) {
        ws.add_class(p);
    }
    auto a = connect(ws, CellPos(1, 1), CellPos(2, 4));
    auto b = connect(ws, CellPos(2, 1), CellPos(1, 4));
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(ws.remove_connector(a));
    EXPECT_FALSE(ws.get_connector_set()->contains(a));
    expect_connectors_routed_and_laid_out(ws);
    EXPECT_TRUE(ws.enum_related_connectors({b}).empty());
}

// ---- files ---------------------------------------------------------------------

TEST(WorkspaceFileTest, SaveBindsTheAbsolutePathAndClearsUpdated) {
    TempDir dir;
    Workspace ws;
    int notified = 0;
    ws.signal_file_path_changed().connect([&]() { ++notified; });
    ws.add_class(CellPos(1, 1));
    ASSERT_TRUE(ws.get_is_updated());
    std::string path = dir.file("doc.xml");
    ASSERT_TRUE(ws.save(path));
    EXPECT_EQ(ws.get_file_path(), path);
    EXPECT_FALSE(ws.get_is_updated());
    EXPECT_GE(notified, 1);
    ws.add_class(CellPos(2, 2));
    EXPECT_TRUE(ws.get_is_updated());
    // Without a path it saves where it was loaded or saved last.
    ASSERT_TRUE(ws.save());
    EXPECT_NE(read_file(path).find("h=\"2\""), std::string::npos);

    ws.set_file_path("relative/doc.xml");
    EXPECT_TRUE(std::filesystem::path(ws.get_file_path()).is_absolute());
    EXPECT_EQ(std::filesystem::path(ws.get_file_path()).filename(), "doc.xml");
}

TEST(WorkspaceFileTest, FailedSaveChangesNothing) {
    TempDir dir;
    Workspace ws;
    std::string good = dir.file("good.xml");
    ws.add_class(CellPos(0, 0));
    ASSERT_TRUE(ws.save(good));
    std::string before = read_file(good);
    ws.add_class(CellPos(3, 3));

    EXPECT_FALSE(ws.save(dir.file("missing-dir/x.xml")));
    EXPECT_FALSE(ws.save(dir.path()));  // a directory cannot be replaced by a file
    EXPECT_EQ(ws.get_file_path(), good);
    EXPECT_TRUE(ws.get_is_updated());
    EXPECT_EQ(read_file(good), before);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));

    Workspace fresh;
    EXPECT_FALSE(fresh.save());  // no path yet
}

TEST(WorkspaceFileTest, SavingTwiceGivesTheSameBytes) {
    TempDir dir;
    Workspace ws;
    for (auto p : {CellPos(4, 0), CellPos(0, 0), CellPos(2, 3), CellPos(1, 5)}) {
        ws.add_class(p);
    }
    connect(ws, CellPos(4, 0), CellPos(2, 3), "aggregation");
    connect(ws, CellPos(0, 0), CellPos(1, 5), "dependency");
    connect(ws, CellPos(1, 5), CellPos(2, 3), "composition");
    ASSERT_TRUE(ws.save(dir.file("a.xml")));
    ASSERT_TRUE(ws.save(dir.file("b.xml")));
    EXPECT_EQ(read_file(dir.file("a.xml")), read_file(dir.file("b.xml")));

    // And a document read back saves to the same bytes again.
    Workspace other;
    ASSERT_TRUE(other.load(dir.file("a.xml")));
    ASSERT_TRUE(other.save(dir.file("c.xml")));
    EXPECT_EQ(read_file(dir.file("a.xml")), read_file(dir.file("c.xml")));
    expect_connectors_routed_and_laid_out(other);
}

TEST(WorkspaceFileTest, LoadingAMissingFileGivesAnEmptyDocumentBoundToIt) {
    TempDir dir;
    Workspace ws;
    SignalCounter signals(ws);
    ws.add_class(CellPos(1, 1));
    std::string path = dir.file("new.xml");
    ASSERT_TRUE(ws.load(path));
    EXPECT_EQ(ws.get_element_cells()->count(), 0);
    EXPECT_EQ(ws.get_file_path(), path);
    EXPECT_FALSE(ws.get_is_updated());
    // The workspace object survives, so observers stay connected.
    int before = signals.count;
    ws.add_class(CellPos(0, 0));
    EXPECT_EQ(signals.count, before + 1);
    ASSERT_TRUE(ws.save());
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(WorkspaceFileTest, LoadingSomethingThatIsNoDocumentKeepsTheCurrentOne) {
    TempDir dir;
    Workspace ws;
    std::string good = dir.file("good.xml");
    ws.add_class(CellPos(1, 1));
    ws.add_class(CellPos(3, 1));
    connect(ws, CellPos(1, 1), CellPos(3, 1));
    ASSERT_TRUE(ws.save(good));
    // An undoable step taken before the failed loads must still undo.
    auto diff = ws.new_diff();
    ws.set_log_diff(diff);
    ws.add_class(CellPos(5, 5));
    ws.set_log_diff(nullptr);
    std::string doc = to_xml(ws);

    write_file(dir.file("text.xml"), "this is not XML at all");
    write_file(dir.file("cut.xml"), read_file(good).substr(0, read_file(good).size() / 2));
    write_file(dir.file("other.xml"), "<?xml version=\"1.0\"?>\n<html><body/></html>\n");
    write_file(dir.file("empty.xml"), "");
    for (const std::string& bad : {dir.file("text.xml"), dir.file("cut.xml"), dir.file("other.xml"),
                                   dir.file("empty.xml"), dir.path()}) {
        EXPECT_FALSE(ws.load(bad)) << bad;
        EXPECT_EQ(to_xml(ws), doc) << bad;
        EXPECT_EQ(ws.get_file_path(), good) << bad;
        EXPECT_TRUE(ws.get_is_updated()) << bad;
    }
    expect_connectors_routed_and_laid_out(ws);
    ws.patch(diff->reverse());
    EXPECT_EQ(class_at(ws, 5, 5), nullptr);
    EXPECT_NE(class_at(ws, 1, 1), nullptr);
    ASSERT_TRUE(ws.save());
    EXPECT_EQ(read_file(good).find("h=\"5\""), std::string::npos);
}

TEST(WorkspaceFileTest, LoadRebuildsLayoutAndRoutes) {
    TempDir dir;
    Workspace ws;
    ws.add_class(CellPos(1, 1));
    ws.add_class(CellPos(1, 4));
    class_at(ws, 1, 4)->name_elem->set_text("Customer");
    class_at(ws, 1, 4)->insert_block(1);
    ws.update_layout(CellPos(1, 4));
    connect(ws, CellPos(1, 1), CellPos(1, 4), "generalization");
    ASSERT_TRUE(ws.save(dir.file("doc.xml")));

    Workspace loaded;
    SignalCounter signals(loaded);
    ASSERT_TRUE(loaded.load(dir.file("doc.xml")));
    EXPECT_EQ(signals.count, 0);
    EXPECT_FALSE(loaded.get_is_updated());
    for (int i : {1, 4}) {
        EXPECT_DOUBLE_EQ(loaded.get_grid()->get(CellDir::V).get_size(i),
                         ws.get_grid()->get(CellDir::V).get_size(i));
        EXPECT_EQ(class_at(loaded, 1, i)->get_rect(), class_at(ws, 1, i)->get_rect());
        EXPECT_TRUE(loaded.get_router()->get(1, i)->terminatable);
    }
    EXPECT_DOUBLE_EQ(loaded.get_grid()->get(CellDir::H).get_size(1),
                     ws.get_grid()->get(CellDir::H).get_size(1));
    auto con = *loaded.get_connector_set()->begin();
    EXPECT_EQ(con->start_elem, loaded.get_element_cells()->get(1, 1));
    EXPECT_EQ(con->end_elem, loaded.get_element_cells()->get(1, 4));
    expect_connectors_routed_and_laid_out(loaded);
}

namespace {

// A 5 x 5 block of classes on every other cell, each joined to the next in
// its row, its column and diagonally, so that many connectors share gaps.
std::string crowded_document() {
    std::string x = "<workspace><element_cells>";
    uint32_t uid = 0x100;
    for (int v = 0; v < 5; ++v) {
        for (int h = 0; h < 5; ++h) {
            x += "<cell h=\"" + std::to_string(2 * h) + "\" v=\"" + std::to_string(2 * v) +
                 "\"><class uid=\"" + std::to_string(uid++) + "\"><name>C" + std::to_string(h) +
                 std::to_string(v) + "</name></class></cell>";
        }
    }
    x += "</element_cells><connector_set>";
    auto con = [&](int h0, int v0, int h1, int v1) {
        x += "<connector uid=\"" + std::to_string(uid++) + "\" type=\"association\"><start h=\"" +
             std::to_string(2 * h0) + "\" v=\"" + std::to_string(2 * v0) + "\"/><end h=\"" +
             std::to_string(2 * h1) + "\" v=\"" + std::to_string(2 * v1) + "\"/></connector>";
    };
    for (int v = 0; v < 5; ++v) {
        for (int h = 0; h < 5; ++h) {
            if (h + 2 < 5) {
                con(h, v, h + 2, v);
            }
            if (v + 2 < 5) {
                con(h, v, h, v + 2);
            }
            if (h + 1 < 5 && v + 1 < 5) {
                con(h, v, h + 1, v + 1);
            }
        }
    }
    return x + "</connector_set></workspace>";
}

}  // namespace

TEST(WorkspaceFileTest, TheSameDocumentIsLaidOutTheSameEveryTime) {
    TempDir dir;
    write_file(dir.file("crowded.xml"), crowded_document());
    Workspace first;
    ASSERT_TRUE(first.load(dir.file("crowded.xml")));
    const std::string expected = routes_signature(first);
    ASSERT_EQ(first.get_connector_set()->size(), 46);

    // Other workspaces get their objects at other addresses; neither that
    // nor the order of earlier edits may move a segment.
    std::vector<std::shared_ptr<Workspace>> others;
    for (int round = 0; round < 4; ++round) {
        std::vector<std::unique_ptr<char[]>> padding;
        for (int i = 0; i < 50 * round; ++i) {
            padding.push_back(std::make_unique<char[]>(48 + 16 * i));
        }
        auto ws = std::make_shared<Workspace>();
        ASSERT_TRUE(ws->load(dir.file("crowded.xml")));
        EXPECT_EQ(routes_signature(*ws), expected) << "load " << round;
        others.push_back(ws);
    }
    Workspace a;
    Workspace b;
    ASSERT_TRUE(a.load(dir.file("crowded.xml")));
    ASSERT_TRUE(b.load(dir.file("crowded.xml")));
    ASSERT_TRUE(a.insert_row(3));
    ASSERT_TRUE(b.insert_row(3));
    EXPECT_EQ(routes_signature(a), routes_signature(b));
    ASSERT_TRUE(a.rm_class(CellPos(4, 5)));
    ASSERT_TRUE(b.rm_class(CellPos(4, 5)));
    EXPECT_EQ(routes_signature(a), routes_signature(b));
}

TEST(WorkspaceLineTest, RowAndColumnEditsLayOutLikeReadingTheResult) {
    // Every line edit re-routes and re-spreads all connectors, so the diagram
    // it leaves is laid out exactly as its saved document reads back.
    TempDir dir;
    write_file(dir.file("crowded.xml"), crowded_document());
    struct Edit {
        const char* name;
        bool (Workspace::*op)(int32_t);
        int32_t index;
    };
    // Two connectors meeting at the middle one of three stacked classes are
    // spread as one group; a row inserted below the middle one parts them,
    // and the one left above must be spread alone again.
    write_file(dir.file("stacked.xml"),
               "<workspace><element_cells>"
               "<cell h=\"2\" v=\"5\"><class uid=\"1\"><name>A</name></class></cell>"
               "<cell h=\"2\" v=\"6\"><class uid=\"2\"><name>B</name></class></cell>"
               "<cell h=\"2\" v=\"7\"><class uid=\"3\"><name>C</name></class></cell>"
               "</element_cells><connector_set>"
               "<connector uid=\"4\" type=\"association\"><start h=\"2\" v=\"5\"/>"
               "<end h=\"2\" v=\"6\"/></connector>"
               "<connector uid=\"5\" type=\"association\"><start h=\"2\" v=\"7\"/>"
               "<end h=\"2\" v=\"6\"/></connector>"
               "</connector_set></workspace>");
    const Edit edits[] = {{"remove row", &Workspace::remove_row, 4},
                          {"remove column", &Workspace::remove_col, 6},
                          {"insert row", &Workspace::insert_row, 3},
                          {"insert column", &Workspace::insert_col, 0},
                          {"insert row between stacked", &Workspace::insert_row, 7}};
    for (const Edit& e : edits) {
        Workspace ws;
        ASSERT_TRUE(ws.load(dir.file(e.index == 7 ? "stacked.xml" : "crowded.xml")));
        ASSERT_TRUE((ws.*e.op)(e.index)) << e.name;
        ASSERT_TRUE(ws.save(dir.file("edited.xml")));
        Workspace reread;
        ASSERT_TRUE(reread.load(dir.file("edited.xml")));
        EXPECT_EQ(routes_signature(ws), routes_signature(reread)) << e.name;
        ws.get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto& elem) {
            EXPECT_EQ(elem->get_rect(), reread.get_element_cells()->get(h, v)->get_rect())
                << e.name << " " << CellPos(h, v).to_string();
            return true;
        });
    }
}

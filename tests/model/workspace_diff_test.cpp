#include "model/workspace_diff.hpp"

#include <functional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "model/routing/route_node.hpp"
#include "model/routing/router.hpp"
#include "model/routing/segment.hpp"
#include "model/routing/segment_layouter.hpp"
#include "model/workspace.hpp"
#include "model/workspace_test_util.hpp"

using lattrix_test::class_at;
using lattrix_test::connect;
using lattrix_test::has_connector;
using lattrix_test::to_xml;
using Model::Workspace;
using Model::WorkspaceDiff;

namespace {

// Runs f with a fresh record attached, as an action does.
std::shared_ptr<WorkspaceDiff> record(Workspace& ws, const std::function<void()>& f) {
    auto diff = ws.new_diff();
    ws.set_log_diff(diff);
    f();
    ws.set_log_diff(nullptr);
    return diff;
}

void undo(Workspace& ws, const std::shared_ptr<WorkspaceDiff>& diff) {
    ws.patch(diff->reverse());
}

void expect_connectors_routed(Workspace& ws) {
    for (const auto& con : *ws.get_connector_set()) {
        ASSERT_FALSE(con->get_segments().empty());
        EXPECT_EQ(con->get_segments().front()->start, con->start_pos);
        EXPECT_EQ(con->get_segments().back()->end, con->end_pos);
        for (const auto& seg : con->get_segments()) {
            EXPECT_TRUE(ws.get_seg_layouter()->contains(seg));
            EXPECT_TRUE(seg->is_laid_out);
        }
    }
}

}  // namespace

TEST(WorkspaceDiffTest, RecordsWhatEachOperationChanged) {
    Workspace ws;
    auto diff = record(ws, [&]() { ws.add_class(CellPos(1, 1)); });
    ASSERT_NE(diff->get_add_elements(), nullptr);
    EXPECT_EQ(diff->get_add_elements()->get(1, 1), ws.get_element_cells()->get(1, 1));
    EXPECT_EQ(diff->get_rm_elements(), nullptr);
    EXPECT_EQ(diff->get_inserted_line(), nullptr);

    // Refused edits record nothing.
    EXPECT_TRUE(record(ws, [&]() { ws.add_class(CellPos(1, 1)); })->is_empty());
    EXPECT_TRUE(record(ws, [&]() { ws.rm_class(CellPos(4, 4)); })->is_empty());

    // Without an attached record nothing is recorded anywhere.
    ws.add_class(CellPos(1, 3));
    EXPECT_EQ(diff->get_add_elements()->count(), 1);

    auto line = record(ws, [&]() { ws.remove_col(1); });
    ASSERT_NE(line->get_removed_line(), nullptr);
    EXPECT_EQ(line->get_removed_line()->dir, CellDir::H);
    EXPECT_EQ(line->get_removed_line()->index, 1);
    EXPECT_EQ(line->get_rm_elements()->count(), 2);
}

TEST(WorkspaceDiffTest, ReverseSwapsEveryPartAndTwiceGivesTheRecord) {
    Workspace ws;
    ws.add_class(CellPos(0, 0));
    ws.add_class(CellPos(0, 3));
    connect(ws, CellPos(0, 0), CellPos(0, 3));
    auto diff = record(ws, [&]() {
        ws.remove_row(3);
        ws.insert_col(2);
    });
    auto rev = diff->reverse();
    EXPECT_EQ(rev->get_add_elements(), diff->get_rm_elements());
    EXPECT_EQ(rev->get_rm_elements(), diff->get_add_elements());
    EXPECT_EQ(rev->get_add_connectors(), diff->get_rm_connectors());
    EXPECT_EQ(rev->get_rm_connectors(), diff->get_add_connectors());
    EXPECT_EQ(rev->get_inserted_line(), diff->get_removed_line());
    EXPECT_EQ(rev->get_removed_line(), diff->get_inserted_line());

    std::string after = to_xml(ws);
    ws.patch(rev);
    EXPECT_NE(to_xml(ws), after);
    ws.patch(rev->reverse());
    EXPECT_EQ(to_xml(ws), after);
}

TEST(WorkspaceDiffTest, UndoAndRedoOfAddClassUseTheSameObject) {
    Workspace ws;
    auto diff = record(ws, [&]() { ws.add_class(CellPos(2, 2)); });
    auto elem = class_at(ws, 2, 2);
    elem->name_elem->set_text("Order");
    uint32_t uid = elem->get_uid();

    undo(ws, diff);
    EXPECT_EQ(class_at(ws, 2, 2), nullptr);
    EXPECT_FALSE(ws.get_router()->get(2, 2) && ws.get_router()->get(2, 2)->terminatable);
    ws.patch(diff);
    EXPECT_EQ(class_at(ws, 2, 2), elem);
    EXPECT_EQ(class_at(ws, 2, 2)->get_uid(), uid);
    EXPECT_EQ(class_at(ws, 2, 2)->name_elem->get_text(), "Order");
}

TEST(WorkspaceDiffTest, UndoOfRemovedClassBringsBackItsConnectors) {
    Workspace ws;
    for (auto p : {CellPos(1, 1), CellPos(4, 1), CellPos(1, 4)}) {
        ws.add_class(p);
    }
    auto a = connect(ws, CellPos(1, 1), CellPos(4, 1), "aggregation");
    auto b = connect(ws, CellPos(1, 4), CellPos(1, 1), "generalization");
    auto elem = class_at(ws, 1, 1);
    std::string before = to_xml(ws);

    auto diff = record(ws, [&]() { ws.rm_class(CellPos(1, 1)); });
    EXPECT_EQ(diff->get_rm_connectors()->size(), 2);
    EXPECT_TRUE(ws.get_connector_set()->is_empty());

    undo(ws, diff);
    EXPECT_EQ(to_xml(ws), before);
    EXPECT_EQ(class_at(ws, 1, 1), elem);
    EXPECT_TRUE(ws.get_connector_set()->contains(a));
    EXPECT_TRUE(ws.get_connector_set()->contains(b));
    expect_connectors_routed(ws);

    ws.patch(diff);
    EXPECT_EQ(class_at(ws, 1, 1), nullptr);
    EXPECT_TRUE(ws.get_connector_set()->is_empty());
    EXPECT_EQ(ws.get_seg_layouter()->size(), 0);
}

TEST(WorkspaceDiffTest, UndoOfLineEditsRestoresRowsClassesAndConnectors) {
    Workspace ws;
    for (auto p : {CellPos(1, 1), CellPos(1, 2), CellPos(3, 2), CellPos(3, 4)}) {
        ws.add_class(p);
    }
    connect(ws, CellPos(1, 1), CellPos(3, 2));
    connect(ws, CellPos(1, 2), CellPos(3, 4));
    connect(ws, CellPos(1, 1), CellPos(3, 4));
    std::string start = to_xml(ws);

    auto ins = record(ws, [&]() { ws.insert_row(2); });
    EXPECT_NE(class_at(ws, 1, 3), nullptr);
    std::string inserted = to_xml(ws);
    undo(ws, ins);
    EXPECT_EQ(to_xml(ws), start);
    EXPECT_NE(class_at(ws, 1, 2), nullptr);
    ws.patch(ins);
    EXPECT_EQ(to_xml(ws), inserted);
    undo(ws, ins);

    auto rm = record(ws, [&]() { ws.remove_row(2); });
    EXPECT_EQ(ws.get_connector_set()->size(), 1);
    EXPECT_TRUE(has_connector(ws, CellPos(1, 1), CellPos(3, 3)));
    std::string removed = to_xml(ws);
    undo(ws, rm);
    EXPECT_EQ(to_xml(ws), start);
    expect_connectors_routed(ws);
    ws.patch(rm);
    EXPECT_EQ(to_xml(ws), removed);
    expect_connectors_routed(ws);
}

TEST(WorkspaceDiffTest, PatchSkipsEntriesThatNoLongerMatch) {
    Workspace ws;
    auto added = record(ws, [&]() { ws.add_class(CellPos(1, 1)); });
    auto first = class_at(ws, 1, 1);
    undo(ws, added);
    ws.add_class(CellPos(1, 1));
    auto occupant = class_at(ws, 1, 1);
    ASSERT_NE(occupant, first);

    // Redo cannot put the old class on the occupied cell...
    ws.patch(added);
    EXPECT_EQ(class_at(ws, 1, 1), occupant);
    // ...and undo removes only the very object it recorded.
    undo(ws, added);
    EXPECT_EQ(class_at(ws, 1, 1), occupant);
}

TEST(WorkspaceDiffTest, EmptyRecordPatchesToOneUpdate) {
    Workspace ws;
    ws.add_class(CellPos(0, 0));
    int updates = 0;
    ws.signal_update().connect([&]() { ++updates; });
    std::string before = to_xml(ws);
    ws.patch(ws.new_diff());
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(to_xml(ws), before);
}

// Long random edit sequences, each step through a recorded diff: undoing all
// steps must give back the start document and every state on the way, and
// redoing all must give the end document.
class WorkspaceRandomTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(WorkspaceRandomTest, UndoAllAndRedoAllRestoreEveryState) {
    std::mt19937 rng(GetParam());
    auto pick = [&](int n) { return static_cast<int32_t>(rng() % static_cast<unsigned>(n)); };
    const char* kinds[] = {"association", "dependency", "aggregation", "composition",
                           "generalization"};
    Workspace ws;
    std::vector<std::shared_ptr<WorkspaceDiff>> steps;
    std::vector<std::string> states{to_xml(ws)};

    for (int i = 0; i < 150; ++i) {
        const int op = pick(12);
        auto diff = record(ws, [&]() {
            CellPos p(pick(7), pick(7));
            switch (op) {
                case 0:
                case 1:
                case 2:
                    ws.add_class(p);
                    break;
                case 3:
                    ws.rm_class(p);
                    break;
                case 4:
                    ws.rm_class_range(CellRange(p, CellPos(pick(7), pick(7))));
                    break;
                case 5:
                    ws.insert_line(pick(2) ? CellDir::H : CellDir::V, pick(7));
                    break;
                case 6:
                    ws.remove_line(pick(2) ? CellDir::H : CellDir::V, pick(7));
                    break;
                case 7:
                case 8:
                case 9: {
                    // Connect two existing classes.
                    std::vector<CellPos> cells;
                    ws.get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto&) {
                        cells.emplace_back(h, v);
                        return true;
                    });
                    if (cells.size() >= 2) {
                        std::sort(cells.begin(), cells.end());
                        CellPos a = cells[pick(static_cast<int>(cells.size()))];
                        CellPos b = cells[pick(static_cast<int>(cells.size()))];
                        if (ws.new_floating_connector(a, kinds[pick(5)])) {
                            ws.update_floating_connector(b);
                            if (!ws.fix_floating_connector()) {
                                ws.rm_floating_connector();
                            }
                        }
                    }
                    break;
                }
                default: {
                    if (ws.get_connector_set()->is_empty()) {
                        break;
                    }
                    std::vector<std::shared_ptr<Model::AbstractConnectorElement>> cons;
                    ws.get_connector_set()->foreach_ordered([&](const auto& con) {
                        cons.push_back(con);
                        return true;
                    });
                    ws.remove_connector(cons[pick(static_cast<int>(cons.size()))]);
                    break;
                }
            }
        });
        steps.push_back(diff);
        states.push_back(to_xml(ws));
    }
    ASSERT_GT(ws.get_connector_set()->size() + ws.get_element_cells()->count(), 0);

    for (size_t i = steps.size(); i-- > 0;) {
        undo(ws, steps[i]);
        ASSERT_EQ(to_xml(ws), states[i]) << "after undoing step " << i;
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        ws.patch(steps[i]);
        ASSERT_EQ(to_xml(ws), states[i + 1]) << "after redoing step " << i;
    }
    expect_connectors_routed(ws);
}

INSTANTIATE_TEST_SUITE_P(Seeds, WorkspaceRandomTest, ::testing::Values(1u, 7u, 42u, 2026u));

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/grid.hpp"
#include "model/routing/segment.hpp"
#include "model/workspace_diff.hpp"
#include "model/workspace_test_util.hpp"

using lattrix_test::class_at;
using lattrix_test::connect;
using lattrix_test::has_connector;
using lattrix_test::routes_signature;
using lattrix_test::TempDir;
using lattrix_test::to_xml;
using Model::Workspace;
using Paste = Model::Workspace::PasteResult;

namespace {

// What the screen shows: every route's segments where they were spread to,
// every box, and the line sizes around them.
std::string picture(Workspace& ws) {
    std::string sig = routes_signature(ws);
    char buf[200];
    ws.get_element_cells()->foreach_ordered([&](int32_t h, int32_t v, const auto& elem) {
        const Rectangle r = elem->get_rect();
        std::snprintf(buf, sizeof buf, "%d,%d %.3f %.3f %.3f %.3f w%.3f h%.3f\n", h, v, r.x, r.y,
                      r.width, r.height, ws.get_grid()->get(CellDir::H).get_size(h),
                      ws.get_grid()->get(CellDir::V).get_size(v));
        sig += buf;
        return true;
    });
    return sig;
}

// The picture equals that of a fresh read of the saved document.
void expect_as_loaded(Workspace& ws, TempDir& dir, const std::string& step) {
    ASSERT_TRUE(ws.save(dir.file("doc.xml"))) << step;
    Workspace fresh;
    ASSERT_TRUE(fresh.load(dir.file("doc.xml"))) << step;
    EXPECT_EQ(picture(ws), picture(fresh)) << step;
    EXPECT_EQ(to_xml(ws), to_xml(fresh)) << step;
}

// Runs op with a change record attached and returns the record.
template <class Op>
std::shared_ptr<Model::WorkspaceDiff> recorded(Workspace& ws, Op op, bool* ok = nullptr) {
    auto diff = ws.new_diff();
    ws.set_log_diff(diff);
    const bool done = op();
    ws.set_log_diff(nullptr);
    if (ok != nullptr) {
        *ok = done;
    }
    return diff;
}

void name(Workspace& ws, int h, int v, const std::string& text) {
    class_at(ws, h, v)->name_elem->set_text(text);
    ws.update_layout(CellPos(h, v));
}

}  // namespace

TEST(WorkspaceRearrangeTest, MovesSwapsAndRangeMovesKeepClassesAndConnectorEnds) {
    TempDir dir;
    Workspace ws;
    for (auto [h, v] : {std::pair{1, 1}, {3, 1}, {1, 3}, {5, 5}}) {
        ASSERT_TRUE(ws.add_class(CellPos(h, v)));
        name(ws, h, v, "C" + std::to_string(h) + std::to_string(v));
    }
    ASSERT_TRUE(connect(ws, CellPos(1, 1), CellPos(3, 1)));
    ASSERT_TRUE(connect(ws, CellPos(1, 3), CellPos(5, 5), "generalization"));
    const auto a = class_at(ws, 1, 1);
    const uint32_t a_uid = a->get_uid();

    // One cell right, then a swap back to the left over an occupied cell.
    const std::string before = to_xml(ws);
    bool ok = false;
    auto step1 = recorded(
        ws, [&] { return ws.move_class(CellPos(1, 1), MovingDir::RIGHT); }, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(class_at(ws, 2, 1), a);
    EXPECT_EQ(a->get_uid(), a_uid);
    EXPECT_EQ(a->name_elem->get_text(), "C11");
    EXPECT_TRUE(has_connector(ws, CellPos(2, 1), CellPos(3, 1)));
    expect_as_loaded(ws, dir, "move");
    const std::string after1 = to_xml(ws);

    auto step2 = recorded(
        ws, [&] { return ws.move_class(CellPos(3, 1), MovingDir::LEFT); }, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(class_at(ws, 3, 1), a);
    EXPECT_EQ(class_at(ws, 2, 1)->name_elem->get_text(), "C31");
    EXPECT_TRUE(has_connector(ws, CellPos(3, 1), CellPos(2, 1)));
    expect_as_loaded(ws, dir, "swap");

    // Refusals change nothing and record nothing.
    const std::string now = to_xml(ws);
    auto refused = recorded(
        ws, [&] { return ws.move_class(CellPos(9, 9), MovingDir::UP); }, &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(refused->is_empty());
    EXPECT_FALSE(ws.move_class(CellPos(0, 0), MovingDir::LEFT));
    ASSERT_TRUE(ws.add_class(CellPos(0, 0)));
    EXPECT_FALSE(ws.move_class(CellPos(0, 0), MovingDir::UP));  // off the table
    EXPECT_FALSE(ws.move_class_range(CellRange(CellPos(0, 0), CellPos(1, 3)), MovingDir::LEFT));
    EXPECT_FALSE(ws.move_classes({{CellPos(1, 3), CellPos(4, 4)}, {CellPos(5, 5), CellPos(4, 4)}}));
    ASSERT_TRUE(ws.rm_class(CellPos(0, 0)));
    const std::string kept = to_xml(ws);

    // A range move onto a class outside the range is refused, and so is one
    // of a range without classes; down is free.
    EXPECT_FALSE(ws.move_class_range(CellRange(CellPos(2, 1), CellPos(1, 1)), MovingDir::RIGHT));
    EXPECT_FALSE(ws.move_class_range(CellRange(CellPos(6, 6), CellPos(9, 9)), MovingDir::UP));
    EXPECT_EQ(to_xml(ws), kept);
    EXPECT_EQ(to_xml(ws), now);
    auto step3 = recorded(
        ws,
        [&] {
            return ws.move_class_range(CellRange(CellPos(3, 3), CellPos(1, 1)), MovingDir::DOWN);
        },
        &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(class_at(ws, 3, 2), a);
    EXPECT_EQ(class_at(ws, 1, 4)->name_elem->get_text(), "C13");
    // The connector to the class outside the range follows its moved end.
    EXPECT_TRUE(has_connector(ws, CellPos(1, 4), CellPos(5, 5)));
    expect_as_loaded(ws, dir, "range move");
    const std::string after3 = to_xml(ws);

    // Undo walks back through every state, redo forward again.
    ws.patch(step3->reverse());
    expect_as_loaded(ws, dir, "undo range move");
    EXPECT_EQ(to_xml(ws), kept);
    ws.patch(step2->reverse());
    EXPECT_EQ(to_xml(ws), after1);
    ws.patch(step1->reverse());
    EXPECT_EQ(to_xml(ws), before);
    expect_as_loaded(ws, dir, "undo all");
    ws.patch(step1);
    ws.patch(step2);
    ws.patch(step3);
    EXPECT_EQ(to_xml(ws), after3);
    expect_as_loaded(ws, dir, "redo all");
}

TEST(WorkspaceRearrangeTest, PasteCopiesClassesAndInnerConnectorsUnderNewUids) {
    TempDir dir;
    Workspace ws;
    for (auto [h, v] : {std::pair{0, 0}, {2, 0}, {0, 2}, {6, 6}}) {
        ASSERT_TRUE(ws.add_class(CellPos(h, v)));
        name(ws, h, v, "K" + std::to_string(h) + std::to_string(v));
    }
    ASSERT_TRUE(connect(ws, CellPos(0, 0), CellPos(2, 0), "composition"));
    ASSERT_TRUE(connect(ws, CellPos(0, 2), CellPos(6, 6)));  // leaves the copy
    const std::string fragment = ws.copy_fragment(CellRange(CellPos(2, 2), CellPos(0, 0)));
    ASSERT_TRUE(Workspace::looks_like_fragment(fragment)) << fragment;
    const std::string before = to_xml(ws);

    // Refusals: on an occupied cell, off the table, not a fragment, hostile.
    EXPECT_EQ(ws.paste_fragment(fragment, CellPos(4, 6)), Paste::OCCUPIED);
    EXPECT_EQ(ws.paste_fragment(fragment, CellPos(CellPos::MAX - 1, 0)), Paste::OFF_TABLE);
    EXPECT_EQ(ws.paste_fragment("plain text", CellPos(8, 8)), Paste::NOT_A_FRAGMENT);
    EXPECT_EQ(ws.paste_fragment(fragment.substr(0, fragment.size() / 2), CellPos(8, 8)),
              Paste::NOT_A_FRAGMENT);
    EXPECT_EQ(ws.paste_fragment("<workspace/>", CellPos(8, 8)), Paste::NOT_A_FRAGMENT);
    EXPECT_EQ(ws.paste_fragment("<lattrix-fragment h=\"-3\" v=\"0\"/>", CellPos(8, 8)),
              Paste::NOT_A_FRAGMENT);
    EXPECT_EQ(ws.paste_fragment("<lattrix-fragment h=\"0\" v=\"0\"/>", CellPos(8, 8)),
              Paste::EMPTY);
    EXPECT_EQ(ws.paste_fragment("<!DOCTYPE x [<!ENTITY e SYSTEM \"/etc/passwd\">]>"
                                "<lattrix-fragment h=\"0\" v=\"0\"><element_cells><cell "
                                "h=\"0\" v=\"0\"><class><name>&e;</name></class></cell>"
                                "</element_cells></lattrix-fragment>",
                                CellPos(20, 0)),
              Paste::PASTED);
    EXPECT_EQ(class_at(ws, 20, 0)->name_elem->get_text().find("root"), std::string::npos);
    ASSERT_TRUE(ws.rm_class(CellPos(20, 0)));
    EXPECT_EQ(to_xml(ws), before);

    Paste result = Paste::EMPTY;
    auto diff = recorded(ws, [&] {
        result = ws.paste_fragment(fragment, CellPos(3, 3));
        return true;
    });
    ASSERT_EQ(result, Paste::PASTED);
    for (auto [h, v] : {std::pair{0, 0}, {2, 0}, {0, 2}}) {
        auto orig = class_at(ws, h, v);
        auto copy = class_at(ws, h + 3, v + 3);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy->get_uid(), orig->get_uid());
        EXPECT_EQ(copy->name_elem->get_text(), orig->name_elem->get_text());
    }
    EXPECT_TRUE(has_connector(ws, CellPos(3, 3), CellPos(5, 3)));
    EXPECT_FALSE(has_connector(ws, CellPos(3, 5), CellPos(6, 6)));
    EXPECT_EQ(ws.get_connector_set()->size(), 3);
    expect_as_loaded(ws, dir, "paste");
    const std::string pasted = to_xml(ws);

    // A second paste of the same fragment gets uids of its own again.
    ASSERT_EQ(ws.paste_fragment(fragment, CellPos(10, 0)), Paste::PASTED);
    EXPECT_NE(class_at(ws, 10, 0)->get_uid(), class_at(ws, 3, 3)->get_uid());
    ASSERT_TRUE(ws.rm_class_range(CellRange(CellPos(10, 0), CellPos(12, 2))));

    ws.patch(diff->reverse());
    EXPECT_EQ(to_xml(ws), before);
    expect_as_loaded(ws, dir, "undo paste");
    ws.patch(diff);
    EXPECT_EQ(to_xml(ws), pasted);
    expect_as_loaded(ws, dir, "redo paste");
}

// Random moves, swaps, range moves, pastes and cuts with undo and redo on a
// random diagram: every step leaves the picture a fresh read gives, and
// undo and redo give back exactly the documents seen before.
TEST(WorkspaceRearrangeTest, RandomEditsUndoAndRedoLikeAFreshRead) {
    TempDir dir;
    std::mt19937 rng(20261208);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    int made[4] = {0, 0, 0, 0};
    // Denser rounds crowd routes past the cells that change.
    for (int round = 0; round < 6; ++round) {
        Workspace ws;
        for (int i = 0; i < 14 + 3 * round; ++i) {
            ws.add_class(CellPos(pick(7), pick(7)));
        }
        std::vector<CellPos> classes;
        ws.get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto&) {
            classes.emplace_back(h, v);
            return true;
        });
        std::sort(classes.begin(), classes.end());
        for (int i = 0; i < 12 + 3 * round; ++i) {
            connect(ws, classes[pick(classes.size())], classes[pick(classes.size())],
                    i % 2 ? "dependency" : "aggregation");
        }
        struct Step {
            std::shared_ptr<Model::WorkspaceDiff> diff;
            std::string before;
            std::string after;
        };
        std::vector<Step> done;
        std::vector<Step> undone;
        for (int n = 0; n < 30; ++n) {
            const int kind = pick(6);
            const std::string before = to_xml(ws);
            const std::string label = "round " + std::to_string(round) + " step " +
                                      std::to_string(n) + " kind " + std::to_string(kind);
            if (kind == 4 && !done.empty()) {
                Step s = done.back();
                done.pop_back();
                ws.patch(s.diff->reverse());
                EXPECT_EQ(to_xml(ws), s.before) << label;
                undone.push_back(s);
            } else if (kind == 5 && !undone.empty()) {
                Step s = undone.back();
                undone.pop_back();
                ws.patch(s.diff);
                EXPECT_EQ(to_xml(ws), s.after) << label;
                done.push_back(s);
            } else {
                const CellPos at(pick(9), pick(9));
                const auto dir_ = static_cast<MovingDir>(pick(4));
                const CellRange range(at, CellPos(at.h + pick(3), at.v + pick(3)));
                bool ok = false;
                auto diff = recorded(
                    ws,
                    [&] {
                        switch (kind) {
                            case 0:
                                return ws.move_class(at, dir_);
                            case 1:
                                return ws.move_class_range(range, dir_);
                            case 2:
                                return ws.paste_fragment(ws.copy_fragment(range),
                                                         CellPos(pick(10), pick(10))) ==
                                       Paste::PASTED;
                            default:
                                return ws.cut_class_range(range);
                        }
                    },
                    &ok);
                if (!ok) {
                    EXPECT_EQ(to_xml(ws), before) << label;
                    continue;
                }
                ++made[std::min(kind, 3)];
                done.push_back({diff, before, to_xml(ws)});
                undone.clear();
            }
            expect_as_loaded(ws, dir, label);
            // Every connector end sits on a class.
            for (const auto& con : *ws.get_connector_set()) {
                EXPECT_EQ(con->start_elem,
                          ws.get_element_cells()->get(con->start_pos.h, con->start_pos.v))
                    << label;
                EXPECT_EQ(con->end_elem,
                          ws.get_element_cells()->get(con->end_pos.h, con->end_pos.v))
                    << label;
                EXPECT_NE(con->end_elem, nullptr) << label;
            }
        }
    }
    // Each kind of edit was made, not only refused.
    for (int kind = 0; kind < 4; ++kind) {
        EXPECT_GT(made[kind], 0) << kind;
    }
}

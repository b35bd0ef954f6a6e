#include <memory>

#include <gtest/gtest.h>

#include "ctrl/action_processor.hpp"
#include "ctrl/actions.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"
#include "model/workspace_diff.hpp"

namespace {

using namespace Ctrl;

class ActionTest : public ::testing::Test {
  protected:
    std::shared_ptr<Model::Element> at(int h, int v) const {
        return ws->get_element_cells()->get(h, v);
    }
    std::shared_ptr<Model::ClassElement> class_at(int h, int v) const {
        return std::dynamic_pointer_cast<Model::ClassElement>(at(h, v));
    }
    bool add(int h, int v) {
        return proc.execute(std::make_shared<AddClassAction>(ws, CellPos(h, v)));
    }
    std::shared_ptr<UpdateTextElementInACellAction> text_update(int h, int v,
                                                                const std::string& text) {
        auto action = std::make_shared<UpdateTextElementInACellAction>(ws, CellPos(h, v));
        action->set_update(class_at(h, v)->name_elem, text);
        return action;
    }

    std::shared_ptr<Model::Workspace> ws = std::make_shared<Model::Workspace>();
    ActionProcessor proc;
};

TEST_F(ActionTest, GuardAttachesTheDiffOnlyWhileItLives) {
    AddClassAction action(ws, CellPos(0, 0));
    {
        auto guard = action.new_scoped_log_diff();
        EXPECT_EQ(ws->get_log_diff(), action.get_diff());
        EXPECT_NE(ws->get_log_diff(), nullptr);
    }
    EXPECT_EQ(ws->get_log_diff(), nullptr);
    ASSERT_TRUE(action.execute());
    EXPECT_EQ(ws->get_log_diff(), nullptr);
    ASSERT_NE(action.get_diff(), nullptr);
    EXPECT_FALSE(action.get_diff()->is_empty());
}

TEST_F(ActionTest, UndoAndRedoOfAnAddedClassKeepTheSameObject) {
    ASSERT_TRUE(add(2, 3));
    auto klass = at(2, 3);
    ASSERT_NE(klass, nullptr);
    proc.undo();
    EXPECT_EQ(at(2, 3), nullptr);
    EXPECT_EQ(proc.get_redo_count(), 1u);
    proc.redo();
    EXPECT_EQ(at(2, 3), klass);
    EXPECT_EQ(proc.get_undo_count(), 1u);
    EXPECT_EQ(proc.get_redo_count(), 0u);
}

TEST_F(ActionTest, FailedActionLeavesBothStacksAlone) {
    ASSERT_TRUE(add(0, 0));
    ASSERT_TRUE(add(1, 0));
    proc.undo();
    ASSERT_EQ(proc.get_redo_count(), 1u);
    // The cell is occupied: refused, and the pending redo survives.
    EXPECT_FALSE(add(0, 0));
    EXPECT_EQ(proc.get_undo_count(), 1u);
    EXPECT_EQ(proc.get_redo_count(), 1u);
    EXPECT_FALSE(proc.execute(std::make_shared<RemoveClassAction>(ws, CellPos(5, 5))));
    proc.redo();
    EXPECT_NE(at(1, 0), nullptr);
}

TEST_F(ActionTest, NewActionAfterUndoDropsTheRedoStack) {
    ASSERT_TRUE(add(0, 0));
    proc.undo();
    ASSERT_TRUE(add(4, 4));
    EXPECT_EQ(proc.get_redo_count(), 0u);
    proc.redo();
    EXPECT_EQ(at(0, 0), nullptr);
    EXPECT_NE(at(4, 4), nullptr);
}

TEST_F(ActionTest, UndoRedoOnEmptyStacksDoNothing) {
    proc.undo();
    proc.redo();
    EXPECT_EQ(proc.get_undo_count(), 0u);
    EXPECT_EQ(proc.get_redo_count(), 0u);
}

TEST_F(ActionTest, LineActionsShiftClassesAndUndoBack) {
    ASSERT_TRUE(add(1, 1));
    auto klass = at(1, 1);
    ASSERT_TRUE(proc.execute(std::make_shared<InsertLineAction>(ws, CellDir::V, 0)));
    EXPECT_EQ(at(1, 2), klass);
    ASSERT_TRUE(proc.execute(std::make_shared<RemoveLineAction>(ws, CellDir::H, 1)));
    EXPECT_EQ(at(1, 2), nullptr);
    proc.undo();
    EXPECT_EQ(at(1, 2), klass);
    proc.undo();
    EXPECT_EQ(at(1, 1), klass);
    EXPECT_EQ(at(1, 2), nullptr);
}

TEST_F(ActionTest, RangeRemovalUndoesInOneStep) {
    ASSERT_TRUE(add(0, 0));
    ASSERT_TRUE(add(2, 1));
    ASSERT_TRUE(add(5, 5));
    CellRange range(CellPos(2, 1), CellPos(0, 0));
    range.ensure_consistency();
    ASSERT_TRUE(proc.execute(std::make_shared<RemoveCellRangeAction>(ws, range)));
    EXPECT_EQ(at(0, 0), nullptr);
    EXPECT_EQ(at(2, 1), nullptr);
    EXPECT_NE(at(5, 5), nullptr);
    proc.undo();
    EXPECT_NE(at(0, 0), nullptr);
    EXPECT_NE(at(2, 1), nullptr);
}

TEST_F(ActionTest, TextUpdatesInOneCellMergeIntoOneUndoStep) {
    ASSERT_TRUE(add(0, 0));
    auto name = class_at(0, 0)->name_elem;
    const std::string original = name->get_text();
    ASSERT_TRUE(proc.execute(text_update(0, 0, "A")));
    ASSERT_TRUE(proc.execute(text_update(0, 0, "AB")));
    ASSERT_TRUE(proc.execute(text_update(0, 0, "ABC")));
    EXPECT_EQ(name->get_text(), "ABC");
    EXPECT_EQ(proc.get_undo_count(), 2u);  // the class and one text run
    proc.undo();
    EXPECT_EQ(name->get_text(), original);
    proc.redo();
    EXPECT_EQ(name->get_text(), "ABC");
}

TEST_F(ActionTest, TextUpdatesInDifferentCellsOrAfterClosingTheRunStaySeparate) {
    ASSERT_TRUE(add(0, 0));
    ASSERT_TRUE(add(1, 0));
    auto a = class_at(0, 0)->name_elem;
    auto b = class_at(1, 0)->name_elem;
    ASSERT_TRUE(proc.execute(text_update(0, 0, "a1")));
    ASSERT_TRUE(proc.execute(text_update(1, 0, "b1")));
    proc.set_head_mergeable(false);
    ASSERT_TRUE(proc.execute(text_update(1, 0, "b2")));
    proc.undo();
    EXPECT_EQ(b->get_text(), "b1");
    proc.undo();
    EXPECT_EQ(b->get_text(), "no name");
    EXPECT_EQ(a->get_text(), "a1");
    proc.undo();
    EXPECT_EQ(a->get_text(), "no name");
}

TEST_F(ActionTest, NonTextHeadNeverAbsorbsATextUpdate) {
    ASSERT_TRUE(add(0, 0));
    ASSERT_TRUE(proc.execute(text_update(0, 0, "X")));
    EXPECT_EQ(proc.get_undo_count(), 2u);
    proc.undo();
    EXPECT_NE(at(0, 0), nullptr);
    EXPECT_EQ(class_at(0, 0)->name_elem->get_text(), "no name");
}

TEST_F(ActionTest, BlockActionsShowHideAndRestoreText) {
    ASSERT_TRUE(add(0, 0));
    auto klass = class_at(0, 0);
    ASSERT_TRUE(proc.execute(std::make_shared<InsertBlockInClass>(ws, CellPos(0, 0))));
    EXPECT_TRUE(klass->block1_shown);
    klass->block1_elem->set_text("attr");
    klass->now_text_elem = klass->block1_elem;
    ASSERT_TRUE(proc.execute(std::make_shared<RemoveBlockInClass>(ws, CellPos(0, 0))));
    EXPECT_FALSE(klass->block1_shown);
    proc.undo();
    EXPECT_TRUE(klass->block1_shown);
    EXPECT_EQ(klass->block1_elem->get_text(), "attr");
    proc.undo();
    EXPECT_FALSE(klass->block1_shown);
    proc.redo();
    EXPECT_TRUE(klass->block1_shown);
    // No class at the cell: nothing to do, nothing recorded.
    EXPECT_FALSE(proc.execute(std::make_shared<InsertBlockInClass>(ws, CellPos(7, 7))));
}

TEST_F(ActionTest, RecordsOfAReplacedDocumentAreNeverReplayed) {
    ASSERT_TRUE(ws->add_class(CellPos(2, 2)));
    ASSERT_TRUE(proc.execute(std::make_shared<RemoveClassAction>(ws, CellPos(2, 2))));
    ASSERT_TRUE(add(3, 3));
    proc.undo();
    ASSERT_EQ(proc.get_undo_count(), 1u);
    ASSERT_EQ(proc.get_redo_count(), 1u);

    ws->init();  // a new document
    proc.undo();
    proc.redo();
    EXPECT_EQ(at(2, 2), nullptr);
    EXPECT_EQ(at(3, 3), nullptr);
    EXPECT_EQ(proc.get_undo_count(), 0u);
    EXPECT_EQ(proc.get_redo_count(), 0u);

    // The new document's own history works as usual.
    ASSERT_TRUE(add(1, 1));
    proc.undo();
    EXPECT_EQ(at(1, 1), nullptr);
}

}  // namespace

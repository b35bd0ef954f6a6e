#include <memory>
#include <string>

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <gtkmm/clipboard.h>

#include "ctrl/context.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "ctrl/modes/in_class_modes.hpp"
#include "ctrl/modes/in_class_text.hpp"
#include "ctrl/text_editor.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"
#include "view/canvas.hpp"
#include "ctrl_fixture.hpp"

namespace {

using namespace Ctrl;

TEST(InClassTextTest, DeletingARangeKeepsTheCursorInsideTheText) {
    // Cursor after, inside and before the range; a backwards range; a range
    // reaching past the end of a text that shrank meanwhile.
    auto r = delete_text_range("abcdef", TextRange(1, 4), 5);
    EXPECT_EQ(r.text, "aef");
    EXPECT_EQ(r.cursor, 2);
    EXPECT_EQ(delete_text_range("abcdef", TextRange(1, 4), 2).cursor, 1);
    EXPECT_EQ(delete_text_range("abcdef", TextRange(1, 4), 0).cursor, 0);
    EXPECT_EQ(delete_text_range("abcdef", TextRange(4, 1), 1).text, "aef");
    r = delete_text_range("abc", TextRange(1, 9), 9);
    EXPECT_EQ(r.text, "a");
    EXPECT_EQ(r.cursor, 1);
    // Never inside a character: "é" is two bytes.
    EXPECT_EQ(fit_text_index("aé", 2), 1);
    EXPECT_EQ(fit_text_index("aé", -3), 0);
    EXPECT_EQ(slice_text_range("aéb", TextRange(2, 3)), "é");
}

TEST(InClassTextTest, CopiedPiecesJoinWithOneLineFeedBetweenElements) {
    EXPECT_EQ(join_selected_text(1, 1, "", "bc", ""), "bc");
    EXPECT_EQ(join_selected_text(0, 1, "N", "B1", "B2"), "N\nB1");
    EXPECT_EQ(join_selected_text(1, 0, "N", "B1", "B2"), "N\nB1");
    EXPECT_EQ(join_selected_text(2, 0, "N", "B1", "B2"), "N\nB1\nB2");
    EXPECT_EQ(join_selected_text(1, 2, "N", "B1", "B2"), "B1\nB2");
    EXPECT_EQ(join_selected_text(0, 2, "N", "", "B2", false), "N\nB2");
}

class InClassModeTest : public ::testing::Test, public CtrlFixture {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
        klass = std::dynamic_pointer_cast<Model::ClassElement>(at(0, 0));
        ASSERT_NE(klass, nullptr);
    }

    // Gives the class both blocks with the given texts.
    void set_texts(const std::string& name, const std::string& b1, const std::string& b2) {
        ASSERT_TRUE(klass->insert_block(1));
        ASSERT_TRUE(klass->insert_block(2));
        klass->name_elem->set_text(name);
        klass->block1_elem->set_text(b1);
        klass->block2_elem->set_text(b2);
        ws->update_layout(CellPos(0, 0));
    }

    template <class T>
    bool is_now() const {
        return ctx->get_now_mode() == ctx->get_mode<T>();
    }

    std::shared_ptr<AbstractModeInClass> in_class() const {
        return std::dynamic_pointer_cast<AbstractModeInClass>(ctx->get_now_mode());
    }

    void press_in(const Model::TextElement& elem, double dx) {
        Point tl = ws->get_grid()->get_top_left_point(CellPos(0, 0));
        Rectangle r = elem.get_rect();
        button(GDK_BUTTON_PRESS, 1, tl.x + r.x + dx, tl.y + r.y + r.height / 2);
    }

    std::shared_ptr<Model::ClassElement> klass;
};

TEST_F(InClassModeTest, EntersOnlyOnAClassAndMarksTheEditedElement) {
    ctx->set_cell_pos(CellPos(3, 3));
    EXPECT_TRUE(key(GDK_KEY_i));
    EXPECT_TRUE(is_now<CellMode>());

    ctx->set_cell_pos(CellPos(0, 0));
    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(is_now<NormalModeInClass>());
    EXPECT_EQ(in_class()->get_editing_klass(), klass);
    EXPECT_TRUE(klass->name_elem->is_editing);
    ASSERT_NE(in_class()->get_text_editor(), nullptr);
    EXPECT_FALSE(in_class()->get_text_editor()->get_can_edit());

    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(is_now<InsertModeNormal>());
    EXPECT_TRUE(in_class()->get_text_editor()->get_can_edit());
    ASSERT_TRUE(key(GDK_KEY_Escape));
    ASSERT_TRUE(is_now<NormalModeInClass>());
    ASSERT_TRUE(key(GDK_KEY_bracketleft, GDK_CONTROL_MASK));
    EXPECT_TRUE(is_now<CellMode>());
    EXPECT_FALSE(klass->name_elem->is_editing);
}

TEST_F(InClassModeTest, EachInsertRunIsOneUndoStep) {
    const size_t base = ctx->action_processor->get_undo_count();
    ASSERT_TRUE(key(GDK_KEY_I, GDK_SHIFT_MASK));
    ASSERT_TRUE(is_now<InsertModeDirect>());
    auto editor = in_class()->get_text_editor();
    editor->commit("x");
    editor->commit("é");
    editor->commit("z");
    EXPECT_EQ(klass->name_elem->get_text(), "xézno name");
    EXPECT_EQ(klass->name_elem->cursor_index, 4);
    ASSERT_TRUE(key(GDK_KEY_Escape));
    ASSERT_TRUE(is_now<CellMode>());
    EXPECT_EQ(ctx->action_processor->get_undo_count(), base + 1);

    ASSERT_TRUE(key(GDK_KEY_I, GDK_SHIFT_MASK));
    in_class()->get_text_editor()->commit("!!!!!!!!");
    ASSERT_TRUE(key(GDK_KEY_BackSpace));
    ASSERT_TRUE(key(GDK_KEY_BackSpace));
    EXPECT_EQ(klass->name_elem->get_text(), "xéz!!!!!!no name");
    ASSERT_TRUE(key(GDK_KEY_Escape));
    EXPECT_EQ(ctx->action_processor->get_undo_count(), base + 2);

    ASSERT_TRUE(key(GDK_KEY_u));
    EXPECT_EQ(klass->name_elem->get_text(), "xézno name");
    ASSERT_TRUE(key(GDK_KEY_u));
    EXPECT_EQ(klass->name_elem->get_text(), "no name");
    // Re-entering after the undo shortened the text keeps the cursor in it.
    ASSERT_TRUE(key(GDK_KEY_i));
    EXPECT_EQ(klass->name_elem->cursor_index, 7);
    EXPECT_EQ(in_class()->get_text_editor()->get_cursor_index(), klass->name_elem->cursor_index);
}

TEST_F(InClassModeTest, NormalModeMovesAcrossShownElementsOnly) {
    ASSERT_TRUE(key(GDK_KEY_i));
    // Up from the name and down from the last shown element change nothing.
    EXPECT_TRUE(key(GDK_KEY_k));
    EXPECT_TRUE(key(GDK_KEY_j));
    EXPECT_EQ(klass->now_text_elem, klass->name_elem);

    ASSERT_TRUE(key(GDK_KEY_Return, GDK_SHIFT_MASK));  // block 1 below the name
    EXPECT_TRUE(klass->block1_shown);
    EXPECT_TRUE(key(GDK_KEY_j));
    EXPECT_EQ(klass->now_text_elem, klass->block1_elem);
    EXPECT_TRUE(klass->block1_elem->is_editing);
    EXPECT_FALSE(klass->name_elem->is_editing);
    // Back past the start of block 1 lands on the end of the name.
    EXPECT_TRUE(key(GDK_KEY_h));
    EXPECT_EQ(klass->now_text_elem, klass->name_elem);
    EXPECT_EQ(klass->name_elem->cursor_index, 7);

    EXPECT_TRUE(key(GDK_KEY_h));
    EXPECT_TRUE(key(GDK_KEY_x));
    EXPECT_EQ(klass->name_elem->get_text(), "no nam");
    EXPECT_FALSE(key(GDK_KEY_d));  // waits for the second "d"
    EXPECT_TRUE(key(GDK_KEY_d));
    EXPECT_EQ(klass->name_elem->get_text(), "");
    // Typed letters are commands here, never text.
    EXPECT_FALSE(key(GDK_KEY_q));
    EXPECT_EQ(klass->name_elem->get_text(), "");
}

TEST_F(InClassModeTest, RemovingTheActiveBlockMovesEditingToAShownElement) {
    set_texts("N", "one", "two");
    klass->now_text_elem = klass->block2_elem;
    klass->block2_elem->cursor_index = 3;
    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(key(GDK_KEY_Delete, GDK_SHIFT_MASK));
    EXPECT_FALSE(klass->block2_shown);
    EXPECT_EQ(klass->now_text_elem, klass->block1_elem);
    EXPECT_TRUE(klass->block1_elem->is_editing);
    EXPECT_FALSE(klass->block2_elem->is_editing);
}

TEST_F(InClassModeTest, VisualSelectionRunsDownAcrossElementsAndCopies) {
    set_texts("abcdef", "uvw", "xyz");
    klass->name_elem->cursor_index = 3;
    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(key(GDK_KEY_v));
    ASSERT_TRUE(is_now<VisualModeInClass>());
    // Three steps to the end of the name, one into block 1, three through
    // it, one into block 2 and one more.
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(key(GDK_KEY_l));
    }
    EXPECT_EQ(klass->now_text_elem, klass->block2_elem);
    EXPECT_EQ(klass->name_elem->text_range, TextRange(3, 6));
    EXPECT_EQ(klass->block1_elem->text_range, TextRange(0, 3));
    EXPECT_EQ(klass->block2_elem->text_range, TextRange(0, 1));

    auto visual = ctx->get_mode<VisualModeInClass>();
    EXPECT_EQ(visual->get_selected_text(), "def\nuvw\nx");
    ASSERT_TRUE(key(GDK_KEY_y));
    EXPECT_TRUE(is_now<NormalModeInClass>());
    EXPECT_EQ(std::string(Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD)->wait_for_text()),
              "def\nuvw\nx");
    EXPECT_EQ(klass->name_elem->text_range, TextRange(0, 0));
    EXPECT_EQ(klass->block2_elem->text_range, TextRange(0, 0));
}

TEST_F(InClassModeTest, VisualSelectionUpwardsAndBackRestoresTheAnchor) {
    set_texts("abc", "uvwxy", "z");
    klass->now_text_elem = klass->block1_elem;
    klass->block1_elem->cursor_index = 2;
    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(key(GDK_KEY_v));
    for (int i = 0; i < 4; ++i) {  // to the start of block 1, then the name
        ASSERT_TRUE(key(GDK_KEY_h));
    }
    EXPECT_EQ(klass->now_text_elem, klass->name_elem);
    EXPECT_EQ(klass->block1_elem->text_range, TextRange(0, 2));
    EXPECT_EQ(klass->name_elem->text_range, TextRange(2, 3));
    EXPECT_EQ(ctx->get_mode<VisualModeInClass>()->get_selected_text(), "c\nuv");

    for (int i = 0; i < 2; ++i) {  // back down into block 1
        ASSERT_TRUE(key(GDK_KEY_l));
    }
    EXPECT_EQ(klass->now_text_elem, klass->block1_elem);
    EXPECT_EQ(klass->name_elem->text_range, TextRange(3, 3));
    EXPECT_EQ(ctx->get_mode<VisualModeInClass>()->get_anchor_index(), 2);
    EXPECT_EQ(klass->block1_elem->text_range, TextRange(0, 2));
}

TEST_F(InClassModeTest, DeletingABackwardSelectionIsOneStepWithAValidCursor) {
    set_texts("abcdef", "uvw", "");
    klass->name_elem->cursor_index = 4;
    const size_t base = ctx->action_processor->get_undo_count();
    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(key(GDK_KEY_v));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(key(GDK_KEY_h));
    }
    EXPECT_EQ(klass->name_elem->text_range, TextRange(1, 4));
    ASSERT_TRUE(key(GDK_KEY_x));
    EXPECT_TRUE(is_now<NormalModeInClass>());
    EXPECT_EQ(klass->name_elem->get_text(), "aef");
    EXPECT_EQ(klass->name_elem->cursor_index, 1);
    EXPECT_EQ(klass->block1_elem->get_text(), "uvw");

    // Across elements: the rest of the name and the start of block 1.
    klass->name_elem->set_text("abcdef");
    klass->name_elem->cursor_index = 3;
    ASSERT_TRUE(key(GDK_KEY_Escape));
    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(key(GDK_KEY_v));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(key(GDK_KEY_l));
    }
    ASSERT_TRUE(key(GDK_KEY_x));
    EXPECT_EQ(klass->name_elem->get_text(), "abc");
    EXPECT_EQ(klass->block1_elem->get_text(), "vw");
    EXPECT_LE(klass->name_elem->cursor_index, 3);
    EXPECT_EQ(klass->block1_elem->cursor_index, 0);
    ASSERT_TRUE(key(GDK_KEY_Escape));
    EXPECT_EQ(ctx->action_processor->get_undo_count(), base + 2);
    ASSERT_TRUE(key(GDK_KEY_u));
    EXPECT_EQ(klass->name_elem->get_text(), "abcdef");
    EXPECT_EQ(klass->block1_elem->get_text(), "uvw");
}

TEST_F(InClassModeTest, PasteInsertsTheClipboardAtTheCursor) {
    auto clipboard = Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD);
    clipboard->set_text("XY");
    klass->name_elem->cursor_index = 3;
    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(key(GDK_KEY_p));
    EXPECT_EQ(klass->name_elem->get_text(), "no XYname");

    clipboard->clear();
    const size_t undo = ctx->action_processor->get_undo_count();
    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(key(GDK_KEY_v, GDK_CONTROL_MASK));
    EXPECT_EQ(klass->name_elem->get_text(), "no XYname");
    EXPECT_TRUE(is_now<InsertModeNormal>());
    EXPECT_EQ(ctx->action_processor->get_undo_count(), undo + 1);
}

TEST_F(InClassModeTest, PressesPickTheElementOrLeaveForTheCellMode) {
    set_texts("abc", "uvw", "xyz");
    ASSERT_TRUE(key(GDK_KEY_i));
    // The right edge of block 2's text puts the cursor after its last letter.
    press_in(*klass->block2_elem, klass->block2_elem->get_rect().width);
    EXPECT_EQ(klass->now_text_elem, klass->block2_elem);
    EXPECT_EQ(klass->block2_elem->cursor_index, 3);
    EXPECT_TRUE(is_now<NormalModeInClass>());

    Rectangle cell = ws->get_grid()->get_rectangle(1, 1);
    EXPECT_TRUE(button(GDK_BUTTON_PRESS, 1, cell.x + 1, cell.y + 1));
    EXPECT_TRUE(is_now<CellMode>());
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(1, 1));
    EXPECT_EQ(canvas.get_cell_pos(), CellPos(1, 1));
}

TEST_F(InClassModeTest, VisualPressExtendsUntilReleasedThenLeaves) {
    set_texts("abcdef", "uvw", "xyz");
    ASSERT_TRUE(key(GDK_KEY_i));
    ASSERT_TRUE(key(GDK_KEY_v));
    // Dragging into block 1 selects from the anchor at the start of the name.
    press_in(*klass->block1_elem, 0);
    EXPECT_EQ(klass->now_text_elem, klass->block1_elem);
    EXPECT_EQ(klass->name_elem->text_range, TextRange(0, 6));
    EXPECT_TRUE(button(GDK_BUTTON_RELEASE, 1, 0, 0));
    EXPECT_FALSE(ctx->get_mode<VisualModeInClass>()->get_is_selecting());
    press_in(*klass->name_elem, 0);
    EXPECT_TRUE(is_now<NormalModeInClass>());
    EXPECT_EQ(klass->now_text_elem, klass->name_elem);
    EXPECT_EQ(klass->block1_elem->text_range, TextRange(0, 0));
}

}  // namespace

#include <algorithm>
#include <string>
#include <vector>

#include <giomm/simpleaction.h>
#include <gtest/gtest.h>

#include "ctrl/modes/cell_mode.hpp"
#include "ctrl/modes/connect_mode.hpp"
#include "ctrl/modes/select_cell_mode.hpp"
#include "ctrl_fixture.hpp"

namespace {

using namespace Ctrl;

class ContextTest : public ::testing::Test, public CtrlFixture {};

const NameSet APP_NAMES = {"new-file",   "open-file",   "save-file", "save-as-file",
                           "export-png", "exit",        "version",   "zoom-in",
                           "zoom-out",   "zoom-normal", "zoom-fit"};

TEST_F(ContextTest, StartsInTheCellModeWithAllEightModes) {
    EXPECT_EQ(ctx->modes.size(), 8u);
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<CellMode>());
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(0, 0));
    EXPECT_FALSE(ctx->get_selected_range().has_value());
}

TEST_F(ContextTest, RefusedModeChangeStillNotifiesNowMode) {
    int notified = 0, updated = 0, names = 0;
    ctx->signal_now_mode_changed().connect([&] { ++notified; });
    ctx->signal_update_mode().connect([&](const std::shared_ptr<Mode>&) { ++updated; });
    ctx->signal_update_actionable_name_sig().connect([&](const NameSet&) { ++names; });
    // No class under the cursor: connecting cannot start.
    ctx->set_now_mode(ctx->get_mode<ConnectMode>());
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<CellMode>());
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(updated, 0);
    EXPECT_EQ(names, 0);
}

TEST_F(ContextTest, ModeChangeAnnouncesTheModeAndItsActionableNames) {
    std::vector<std::string> mode_names;
    NameSet last;
    ctx->signal_update_mode().connect(
        [&](const std::shared_ptr<Mode>& m) { mode_names.push_back(m->get_name()); });
    ctx->signal_update_actionable_name_sig().connect([&](const NameSet& s) { last = s; });

    // Paste depends on the desktop's clipboard, which other programs share.
    auto without_paste = [](NameSet names) {
        names.erase("paste");
        return names;
    };
    ASSERT_TRUE(key('v'));
    NameSet select_names = APP_NAMES;
    select_names.insert({"copy", "cut"});
    EXPECT_EQ(without_paste(last), select_names);
    ASSERT_TRUE(key(GDK_KEY_Escape));
    EXPECT_EQ(mode_names, (std::vector<std::string>{"SELECT CELL MODE", "CELL MODE"}));
    NameSet expected = APP_NAMES;
    for (const char* n :
         {"insert-class", "delete-class", "insert-row", "insert-col", "delete-row", "delete-col",
          "connect-association", "connect-dependency", "connect-aggregation", "connect-composition",
          "connect-generalization", "connect-realization", "undo", "redo", "copy", "cut"}) {
        expected.insert(n);
    }
    EXPECT_EQ(without_paste(last), expected);
    EXPECT_EQ(without_paste(ctx->enum_actionable_name()), expected);
}

TEST_F(ContextTest, NamedActionsReachTheModeAndTheWindow) {
    EXPECT_TRUE(ctx->action("insert-class"));
    EXPECT_NE(at(0, 0), nullptr);
    EXPECT_TRUE(ctx->action("undo"));
    EXPECT_EQ(at(0, 0), nullptr);
    EXPECT_FALSE(ctx->action("no-such-action"));

    int activated = 0;
    auto act = Gio::SimpleAction::create("save-file");
    act->signal_activate().connect([&](const Glib::VariantBase&) { ++activated; });
    window.add_action(act);
    EXPECT_TRUE(ctx->action("save-file"));
    EXPECT_EQ(activated, 1);
    // Known to the context but not defined by the window.
    EXPECT_FALSE(ctx->app_action("open-file"));

    // The window's export takes a path; reached by name it gets the empty
    // path, which asks for a file, instead of being refused by GLib.
    std::vector<std::string> paths;
    auto exp = Gio::SimpleAction::create("export-png", Glib::VARIANT_TYPE_STRING);
    exp->signal_activate().connect([&](const Glib::VariantBase& v) {
        paths.push_back(
            Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(v).get().raw());
    });
    window.add_action(exp);
    EXPECT_TRUE(ctx->action("export-png"));
    EXPECT_EQ(paths, std::vector<std::string>{""});
}

TEST_F(ContextTest, TranslatesWindowPointsThroughTheViewOffset) {
    ctx->set_cell_pos(CellPos(2, 1));  // default cells are 20 pixels
    canvas.set_view_offset(Point(-35, -15));
    Point p(5, 5);
    ctx->translate_pt_wnd_to_ws(p);
    EXPECT_EQ(p, Point(40, 20));
    Point q(5, 5);
    EXPECT_EQ(ctx->translate_pt_wnd_to_cell(q), Point(0, 0));
    EXPECT_EQ(ctx->point_to_cell_pos(Point(26, 6)), CellPos(3, 1));
}

TEST_F(ContextTest, SwitcherDeactivatesTheOldControllerFirst) {
    struct Recorder : AbstractCtrl {
        Recorder(std::vector<std::string>& log, std::string name) : log(log), name(name) {}
        void active(bool is_active) override {
            AbstractCtrl::active(is_active);
            log.push_back(name + (is_active ? "+" : "-"));
        }
        std::vector<std::string>& log;
        std::string name;
    };
    std::vector<std::string> log;
    auto edit = std::make_shared<Recorder>(log, "edit");
    auto cmd = std::make_shared<Recorder>(log, "cmd");
    CtrlSwitcher::register_edit_ctrl(edit);
    CtrlSwitcher::register_cmd_ctrl(cmd);
    CtrlSwitcher::switch_to_edit_ctrl();
    CtrlSwitcher::switch_to_cmd_ctrl();
    CtrlSwitcher::switch_to_edit_ctrl();
    EXPECT_EQ(log, (std::vector<std::string>{"edit+", "edit-", "cmd+", "cmd-", "edit+"}));
    EXPECT_TRUE(edit->get_is_active());
    EXPECT_FALSE(cmd->get_is_active());
}

TEST_F(ContextTest, TypingEditsTheDocumentAndUndoRedoFollow) {
    for (guint k : {GDK_KEY_c, GDK_KEY_l, GDK_KEY_c}) {
        ASSERT_TRUE(key(k));
    }
    auto a = at(0, 0), b = at(1, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(key(GDK_KEY_c));  // occupied: refused and not consumed
    ASSERT_TRUE(key(GDK_KEY_o));   // a row above the classes
    EXPECT_EQ(at(0, 1), a);
    EXPECT_EQ(at(1, 1), b);
    ASSERT_TRUE(key(GDK_KEY_u));
    EXPECT_EQ(at(0, 0), a);
    EXPECT_EQ(at(1, 0), b);
    ASSERT_TRUE(key(GDK_KEY_r, GDK_CONTROL_MASK));
    EXPECT_EQ(at(0, 1), a);
    EXPECT_EQ(at(1, 1), b);
    // "O" typed with Shift inserts a column, "T" removes it again.
    ASSERT_TRUE(key(GDK_KEY_O, GDK_SHIFT_MASK));
    EXPECT_EQ(at(2, 1), b);
    ASSERT_TRUE(key(GDK_KEY_T, GDK_SHIFT_MASK));
    EXPECT_EQ(at(1, 1), b);
    EXPECT_FALSE(key(GDK_KEY_x));  // the cursor is on (1, 0), which is empty now
    ctx->set_cell_pos(CellPos(1, 1));
    ASSERT_TRUE(key(GDK_KEY_x));
    EXPECT_EQ(at(1, 1), nullptr);
}

TEST_F(ContextTest, CursorStaysInsideTheGrid) {
    EXPECT_TRUE(key(GDK_KEY_k));
    EXPECT_TRUE(key(GDK_KEY_Left));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(0, 0));
    EXPECT_EQ(canvas.get_cell_pos(), CellPos(0, 0));
    ctx->set_cell_pos(CellPos(CellPos::MAX, CellPos::MAX));
    EXPECT_TRUE(key(GDK_KEY_j));
    EXPECT_TRUE(key(GDK_KEY_l));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(CellPos::MAX, CellPos::MAX));
    EXPECT_FALSE(key(GDK_KEY_Escape));  // not bound in the cell mode
}

TEST_F(ContextTest, PressAndDragHandsOverToTheSelectCellMode) {
    show();
    // Default cells are 20 pixels square.
    EXPECT_TRUE(button(GDK_BUTTON_PRESS, 1, 10, 10));
    EXPECT_FALSE(drag(15, 15));  // still the same cell
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<CellMode>());
    EXPECT_FALSE(drag(50, 30, 0));  // button not held
    EXPECT_TRUE(drag(50, 30));
    auto select = ctx->get_mode<SelectCellMode>();
    ASSERT_EQ(ctx->get_now_mode(), select);
    EXPECT_EQ(select->get_anchor(), CellPos(0, 0));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(2, 1));
    ASSERT_TRUE(canvas.get_selected_cell_range().has_value());
    EXPECT_EQ(*canvas.get_selected_cell_range(), CellRange(CellPos(0, 0), CellPos(2, 1)));
    // The drag goes on in the select-cell mode, towards the top-left.
    EXPECT_TRUE(drag(10, 10));
    EXPECT_TRUE(drag(70, 50));
    EXPECT_EQ(*ctx->get_selected_range(), CellRange(CellPos(0, 0), CellPos(3, 2)));
    EXPECT_TRUE(button(GDK_BUTTON_RELEASE, 1, 70, 50));
    EXPECT_FALSE(select->get_is_selecting());
    EXPECT_FALSE(drag(90, 90));
    // The next click leaves for the cell mode at the clicked cell; inside
    // the range it acts on release, since a drag from there moves the range.
    EXPECT_TRUE(button(GDK_BUTTON_PRESS, 1, 30, 10));
    EXPECT_EQ(ctx->get_now_mode(), select);
    EXPECT_TRUE(button(GDK_BUTTON_RELEASE, 1, 30, 10));
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<CellMode>());
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(1, 0));
    EXPECT_FALSE(ctx->get_selected_range().has_value());
    EXPECT_FALSE(canvas.get_selected_cell_range().has_value());
}

TEST_F(ContextTest, OtherButtonsAndTriplePresses) {
    show();
    EXPECT_FALSE(button(GDK_BUTTON_PRESS, 3, 50, 50));
    EXPECT_FALSE(button(GDK_BUTTON_PRESS, 2, 50, 50));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(0, 0));
    EXPECT_TRUE(button(GDK_3BUTTON_PRESS, 1, 50, 30));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(2, 1));
    ASSERT_TRUE(key(GDK_KEY_v));
    EXPECT_FALSE(button(GDK_BUTTON_PRESS, 3, 50, 50));
}

TEST_F(ContextTest, SelectedRangeIsDeletedInOneUndoableStep) {
    ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
    ASSERT_TRUE(ws->add_class(CellPos(1, 1)));
    ASSERT_TRUE(ws->add_class(CellPos(3, 3)));
    ASSERT_TRUE(key(GDK_KEY_v));
    ASSERT_TRUE(key(GDK_KEY_l));
    ASSERT_TRUE(key(GDK_KEY_j));
    EXPECT_EQ(*ctx->get_selected_range(), CellRange(CellPos(0, 0), CellPos(1, 1)));
    ASSERT_TRUE(key(GDK_KEY_d));
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<CellMode>());
    EXPECT_EQ(at(0, 0), nullptr);
    EXPECT_EQ(at(1, 1), nullptr);
    EXPECT_NE(at(3, 3), nullptr);
    ASSERT_TRUE(key(GDK_KEY_u));
    EXPECT_NE(at(0, 0), nullptr);
    EXPECT_NE(at(1, 1), nullptr);
}

TEST_F(ContextTest, AClickAfterVExtendsTheSelectionBeforeLeaving) {
    show();
    ASSERT_TRUE(key(GDK_KEY_v));
    EXPECT_TRUE(button(GDK_BUTTON_PRESS, 1, 50, 50));
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<SelectCellMode>());
    EXPECT_EQ(*ctx->get_selected_range(), CellRange(CellPos(0, 0), CellPos(2, 2)));
    EXPECT_TRUE(button(GDK_BUTTON_RELEASE, 1, 50, 50));
    EXPECT_TRUE(button(GDK_BUTTON_PRESS, 1, 50, 50));
    EXPECT_TRUE(button(GDK_BUTTON_RELEASE, 1, 50, 50));
    EXPECT_EQ(ctx->get_now_mode(), ctx->get_mode<CellMode>());
}

TEST_F(ContextTest, LoadingOrANewDocumentEmptiesTheHistory) {
    ASSERT_TRUE(key(GDK_KEY_c));
    ASSERT_TRUE(key(GDK_KEY_u));
    ASSERT_TRUE(key(GDK_KEY_c));
    ASSERT_EQ(ctx->action_processor->get_undo_count(), 1u);
    ws->init();
    EXPECT_EQ(ctx->action_processor->get_undo_count(), 0u);
    EXPECT_EQ(ctx->action_processor->get_redo_count(), 0u);
}

}  // namespace

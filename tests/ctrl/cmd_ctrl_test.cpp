#include <filesystem>
#include <string>

#include <glib.h>
#include <gtest/gtest.h>
#include <gtkmm/main.h>

#include "ctrl/cmd_ctrl.hpp"

#include <fstream>
#include "ctrl/text_editor.hpp"
#include "ctrl/modes/select_cell_mode.hpp"
#include "ctrl/path_completion.hpp"
#include "ctrl_fixture.hpp"

namespace {

using namespace Ctrl;
namespace fs = std::filesystem;

class CmdCtrlTest : public ::testing::Test, public CtrlFixture {
  protected:
    CmdCtrlTest() {
        cmd = CmdCtrl::create(ws, bar, *ctx);
        CtrlSwitcher::register_edit_ctrl(ctx);
        CtrlSwitcher::register_cmd_ctrl(cmd);
        CtrlSwitcher::switch_to_edit_ctrl();
        dir = fs::temp_directory_path() / ("lattrix-cmd-" + std::to_string(g_random_int()));
        fs::create_directories(dir);
    }
    ~CmdCtrlTest() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
        CtrlSwitcher::reset();
        cmd.reset();
    }

    bool cmd_key(guint keyval) {
        GdkEventKey ev{};
        ev.type = GDK_KEY_PRESS;
        ev.keyval = keyval;
        return cmd->key_press(&ev);
    }
    // ":" in the cell mode, the text, then Return.
    void type_command(const std::string& text) {
        ASSERT_TRUE(key(GDK_KEY_colon, GDK_SHIFT_MASK));
        ASSERT_TRUE(cmd->get_is_active());
        ASSERT_NE(cmd->text_editor, nullptr);
        cmd->text_editor->commit(text.c_str());
        ASSERT_TRUE(cmd_key(GDK_KEY_Return));
    }
    std::string line() const { return cmd->line_layout->get_text(); }

    std::shared_ptr<CmdCtrl> cmd;
    fs::path dir;
};

TEST_F(CmdCtrlTest, ShowsTheModeNameAndFollowsModeChanges) {
    EXPECT_EQ(line(), "CELL MODE");
    EXPECT_EQ(cmd->prompt_layout->get_text(), ":");
    ASSERT_TRUE(key(GDK_KEY_v));
    EXPECT_EQ(line(), "SELECT CELL MODE");
}

TEST_F(CmdCtrlTest, BackspaceOnAnEmptyLineAndEscapeClose) {
    ASSERT_TRUE(key(GDK_KEY_colon, GDK_SHIFT_MASK));
    EXPECT_EQ(CtrlSwitcher::get_now_ctrl(), cmd);
    EXPECT_EQ(line(), "");
    EXPECT_FALSE(ctx->get_is_active());
    EXPECT_TRUE(cmd_key(GDK_KEY_BackSpace));
    EXPECT_EQ(CtrlSwitcher::get_now_ctrl(), ctx);
    EXPECT_EQ(cmd->text_editor, nullptr);
    EXPECT_EQ(line(), "CELL MODE");

    ASSERT_TRUE(key(GDK_KEY_colon, GDK_SHIFT_MASK));
    cmd->text_editor->commit("wq");
    EXPECT_TRUE(cmd_key(GDK_KEY_BackSpace));  // deletes a character only
    EXPECT_EQ(line(), "w");
    EXPECT_EQ(CtrlSwitcher::get_now_ctrl(), cmd);
    EXPECT_TRUE(cmd_key(GDK_KEY_Escape));
    EXPECT_EQ(CtrlSwitcher::get_now_ctrl(), ctx);
    EXPECT_TRUE(ctx->get_is_active());
    EXPECT_EQ(line(), "CELL MODE");
}

TEST_F(CmdCtrlTest, WriteAndReadWithBlanksAroundTheWords) {
    ASSERT_TRUE(ws->add_class(CellPos(1, 2)));
    const std::string path = (dir / "a.xml").string();
    type_command("  w  " + path + " ");
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(CtrlSwitcher::get_now_ctrl(), ctx);
    EXPECT_EQ(line(), "CELL MODE");

    ws->init();
    ASSERT_EQ(at(1, 2), nullptr);
    type_command("r " + path);
    EXPECT_NE(at(1, 2), nullptr);
    EXPECT_EQ(cmd->get_message(), "");
}

TEST_F(CmdCtrlTest, WrongArgumentCountsChangeNothing) {
    const std::string a = (dir / "a.xml").string(), b = (dir / "b.xml").string();
    EXPECT_FALSE(cmd->run_command("w " + a + " " + b));
    EXPECT_FALSE(cmd->run_command("w"));
    EXPECT_FALSE(cmd->run_command("r"));
    EXPECT_FALSE(cmd->run_command("xp " + a + " " + b));
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(fs::exists(b));
    EXPECT_TRUE(cmd->run_command("parse x y"));
    EXPECT_FALSE(cmd->run_command("nosuchcommand"));
    EXPECT_FALSE(cmd->run_command("   "));
}

TEST_F(CmdCtrlTest, FailedCommandShowsAMessageUntilTheNextKey) {
    show();
    const std::string bad = (dir / "missing-dir" / "a.xml").string();
    type_command("w " + bad);
    EXPECT_EQ(CtrlSwitcher::get_now_ctrl(), ctx);
    EXPECT_NE(cmd->get_message(), "");
    EXPECT_NE(line().find(bad), std::string::npos);

    // Any key typed on the canvas puts the mode name back.
    GdkEventKey ev{};
    ev.type = GDK_KEY_PRESS;
    ev.window = canvas.get_window()->gobj();
    ev.keyval = GDK_KEY_h;
    gtk_widget_event(GTK_WIDGET(canvas.gobj()), reinterpret_cast<GdkEvent*>(&ev));
    EXPECT_EQ(cmd->get_message(), "");
    EXPECT_EQ(line(), "CELL MODE");

    // An unknown word stays silent.
    type_command("bogus");
    EXPECT_EQ(line(), "CELL MODE");
}

TEST_F(CmdCtrlTest, QuitHidesTheWindowWithoutAsking) {
    window.show_all();
    ASSERT_TRUE(ws->add_class(CellPos(0, 0)));  // unsaved changes
    type_command("q");
    EXPECT_FALSE(window.get_visible());
}

// ":w" alone saves to the document's own file once it has one; ":wq" saves
// and closes, but a failed save keeps the window.
TEST_F(CmdCtrlTest, BareWriteUsesTheDocumentsFileAndWriteQuitNeedsASave) {
    window.show_all();
    const std::string a = (dir / "a.xml").string();
    ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
    type_command("w");
    EXPECT_NE(cmd->get_message().find("no file"), std::string::npos) << cmd->get_message();
    EXPECT_TRUE(fs::is_empty(dir));

    type_command("w " + a);
    ASSERT_TRUE(fs::exists(a));
    ASSERT_TRUE(ws->add_class(CellPos(2, 1)));
    type_command("w");
    EXPECT_EQ(cmd->get_message(), "");
    ws->init();
    ASSERT_TRUE(ws->load(a));
    EXPECT_NE(at(2, 1), nullptr);

    // The file's folder goes away: the save fails and the window stays.
    ASSERT_TRUE(ws->add_class(CellPos(3, 3)));
    fs::remove_all(dir);
    type_command("wq");
    EXPECT_TRUE(window.get_visible());
    EXPECT_NE(cmd->get_message(), "");
    fs::create_directories(dir);
    type_command("x");
    EXPECT_FALSE(window.get_visible());
    ws->init();
    ASSERT_TRUE(ws->load(a));
    EXPECT_NE(at(3, 3), nullptr);
}

TEST_F(CmdCtrlTest, HistoryRecallsEarlierLinesAndKeepsTheDraft) {
    type_command("parse one");
    type_command("parse two");
    type_command("parse two");  // a repeat is kept once
    ASSERT_TRUE(key(GDK_KEY_colon, GDK_SHIFT_MASK));
    cmd->text_editor->commit("dra");
    cmd_key(GDK_KEY_Up);
    EXPECT_EQ(line(), "parse two");
    cmd_key(GDK_KEY_Up);
    EXPECT_EQ(line(), "parse one");
    cmd_key(GDK_KEY_Up);  // the oldest stays
    EXPECT_EQ(line(), "parse one");
    cmd_key(GDK_KEY_Down);
    cmd_key(GDK_KEY_Down);
    EXPECT_EQ(line(), "dra");
    cmd_key(GDK_KEY_Up);
    cmd_key(GDK_KEY_Return);  // runs the recalled line
    // Finds have a history of their own.
    ASSERT_TRUE(key(GDK_KEY_slash));
    EXPECT_EQ(cmd->prompt_layout->get_text(), "/");
    cmd_key(GDK_KEY_Up);
    EXPECT_EQ(line(), "");
    cmd_key(GDK_KEY_Escape);
    EXPECT_EQ(cmd->prompt_layout->get_text(), ":");
}

TEST_F(CmdCtrlTest, TabCompletesPathsAndASecondTabShowsTheCandidates) {
    for (const char* f :
         {"alpha.xml", "alpine.xml", ".hidden.xml", "b\u00e9ta.xml", "b\u00e9tb.xml"}) {
        std::ofstream(dir / f) << "x";
    }
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "sub" / "deep.xml") << "x";
    const std::string d = dir.string();

    auto done = complete_path("al", d);
    EXPECT_EQ(done.completed, "alp");
    EXPECT_EQ(done.candidates, (std::vector<std::string>{"alpha.xml", "alpine.xml"}));
    EXPECT_EQ(complete_path("s", d).completed, "sub/");
    EXPECT_EQ(complete_path("sub/", d).completed, "sub/deep.xml");
    EXPECT_EQ(complete_path(d + "/alpi", "/nonexistent").completed, d + "/alpine.xml");
    EXPECT_EQ(complete_path(".h", d).completed, ".hidden.xml");
    EXPECT_EQ(complete_path("", d).candidates.size(), 5u);  // no hidden names
    // Two names that differ in their second byte of "\u00e9": whole
    // characters only.
    EXPECT_EQ(common_prefix({"b\u00e9", "b\u00e8"}), "b");
    EXPECT_EQ(complete_path("b", d).completed, "b\u00e9t");
    EXPECT_TRUE(complete_path("x", d + "/missing").candidates.empty());

    cmd->set_completion_dir(d);
    ASSERT_TRUE(key(GDK_KEY_colon, GDK_SHIFT_MASK));
    cmd->text_editor->commit("w al");
    cmd_key(GDK_KEY_Tab);
    EXPECT_EQ(line(), "w alp");
    EXPECT_EQ(cmd->get_candidates(), "");
    cmd_key(GDK_KEY_Tab);
    EXPECT_EQ(cmd->get_candidates(), "alpha.xml  alpine.xml");
    cmd->text_editor->commit("i");
    cmd_key(GDK_KEY_Tab);
    EXPECT_EQ(line(), "w alpine.xml");
    cmd_key(GDK_KEY_Escape);
    EXPECT_EQ(cmd->get_candidates(), "");
}

// "/" finds as it is typed without moving the cursor; Return moves it, "n"
// and "N" repeat, and a miss says so and keeps the cursor.
TEST_F(CmdCtrlTest, FindHighlightsWhileTypingAndMovesOnReturn) {
    show();
    for (auto [h, v, name] :
         {std::tuple{1, 0, "Order"}, std::tuple{0, 2, "Customer"}, std::tuple{3, 2, "OrderLine"}}) {
        ASSERT_TRUE(ws->add_class(CellPos(h, v)));
        std::dynamic_pointer_cast<Model::ClassElement>(at(h, v))->name_elem->set_text(name);
    }
    ASSERT_TRUE(key(GDK_KEY_slash));
    cmd->text_editor->commit("ord");
    EXPECT_EQ(canvas.get_selected_cell_range(), CellRange(CellPos(1, 0), CellPos(1, 0)));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(0, 0));
    cmd_key(GDK_KEY_Return);
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(1, 0));
    EXPECT_EQ(canvas.get_selected_cell_range(), std::nullopt);
    ASSERT_TRUE(key(GDK_KEY_n));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(3, 2));
    ASSERT_TRUE(key(GDK_KEY_n));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(1, 0));
    ASSERT_TRUE(key(GDK_KEY_N));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(3, 2));

    ASSERT_TRUE(key(GDK_KEY_slash));
    cmd->text_editor->commit("nothing");
    cmd_key(GDK_KEY_Return);
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(3, 2));
    EXPECT_EQ(cmd->get_message(), "not found: nothing");
    EXPECT_EQ(line(), "not found: nothing");

    // Escape drops the highlight and the cursor stays.
    ASSERT_TRUE(key(GDK_KEY_slash));
    cmd->text_editor->commit("cust");
    EXPECT_EQ(canvas.get_selected_cell_range(), CellRange(CellPos(0, 2), CellPos(0, 2)));
    cmd_key(GDK_KEY_Escape);
    EXPECT_EQ(canvas.get_selected_cell_range(), std::nullopt);
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(3, 2));
}

// A note stays until the next key, but a mode change made any other way
// (the mouse, a menu) shows the new mode at once.
TEST_F(CmdCtrlTest, AModeChangeReplacesANote) {
    type_command("w");
    ASSERT_NE(cmd->get_message(), "");
    ctx->set_now_mode(ctx->get_mode<SelectCellMode>());
    EXPECT_EQ(cmd->get_message(), "");
    EXPECT_EQ(line(), "SELECT CELL MODE");
}

}  // namespace

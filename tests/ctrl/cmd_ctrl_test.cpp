#include <filesystem>
#include <string>

#include <glib.h>
#include <gtest/gtest.h>
#include <gtkmm/main.h>

#include "ctrl/cmd_ctrl.hpp"
#include "ctrl/text_editor.hpp"
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

}  // namespace

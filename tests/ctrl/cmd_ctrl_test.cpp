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
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/routing/segment.hpp"

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

// ":w" alone saves to the document's own file once it has one; ":wq" and
// ":x" save and close, but a failed save keeps the window.
TEST_F(CmdCtrlTest, BareWriteAndWriteQuit) {
    window.show_all();
    const std::string a = (dir / "a.xml").string();
    ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
    type_command("w");
    EXPECT_NE(cmd->get_message().find("no file"), std::string::npos) << cmd->get_message();
    EXPECT_TRUE(fs::is_empty(dir));
    type_command("w " + a);
    ASSERT_TRUE(ws->add_class(CellPos(2, 1)));
    fs::remove_all(dir);
    type_command("wq");
    EXPECT_TRUE(window.get_visible());
    fs::create_directories(dir);
    type_command("x");
    EXPECT_FALSE(window.get_visible());
    ws->init();
    ASSERT_TRUE(ws->load(a));
    EXPECT_NE(at(2, 1), nullptr);
}

// Up and Down recall the session's lines of the same kind, keeping the
// draft; Tab completes a path and a second Tab lists the candidates.
TEST_F(CmdCtrlTest, HistoryAndCompletion) {
    type_command("parse one");
    type_command("parse two");
    type_command("parse two");  // a repeat is kept once
    ASSERT_TRUE(key(GDK_KEY_colon, GDK_SHIFT_MASK));
    cmd->text_editor->commit("dra");
    for (auto [k, want] : {std::pair{GDK_KEY_Up, "parse two"},
                           {GDK_KEY_Up, "parse one"},
                           {GDK_KEY_Up, "parse one"},
                           {GDK_KEY_Down, "parse two"},
                           {GDK_KEY_Down, "dra"}}) {
        cmd_key(k);
        EXPECT_EQ(line(), want);
    }
    cmd_key(GDK_KEY_Escape);

    for (const char* f : {"alpha.xml", "alpine.xml", ".hidden.xml", "b\u00e9ta", "b\u00e9tb"}) {
        std::ofstream(dir / f) << "x";
    }
    fs::create_directories(dir / "sub");
    const std::string d = dir.string();
    EXPECT_EQ(complete_path("s", d).completed, "sub/");
    EXPECT_EQ(complete_path(d + "/alpi", "/nonexistent").completed, d + "/alpine.xml");
    EXPECT_EQ(complete_path(".h", d).completed, ".hidden.xml");
    EXPECT_EQ(complete_path("", d).candidates.size(), 5u);  // no hidden names
    EXPECT_EQ(complete_path("b", d).completed, "b\u00e9t");
    EXPECT_EQ(common_prefix({"b\u00e9", "b\u00e8"}), "b");  // whole characters only
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
    EXPECT_EQ(cmd->get_candidates(), "");
    cmd_key(GDK_KEY_Escape);
}

// "/" highlights as it is typed without moving the cursor; Return moves it,
// "n" and "N" repeat, a miss says so; a later mode change replaces the note.
TEST_F(CmdCtrlTest, FindAndNotes) {
    show();
    for (auto [h, v, name] : {std::tuple{1, 0, "Order"}, {0, 2, "Customer"}, {3, 2, "OrderLine"}}) {
        ASSERT_TRUE(ws->add_class(CellPos(h, v)));
        std::dynamic_pointer_cast<Model::ClassElement>(at(h, v))->name_elem->set_text(name);
    }
    ASSERT_TRUE(key(GDK_KEY_slash));
    EXPECT_EQ(cmd->prompt_layout->get_text(), "/");
    cmd->text_editor->commit("ord");
    EXPECT_EQ(canvas.get_selected_cell_range(), CellRange(CellPos(1, 0), CellPos(1, 0)));
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(0, 0));
    cmd_key(GDK_KEY_Return);
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(1, 0));
    EXPECT_EQ(canvas.get_selected_cell_range(), std::nullopt);
    for (auto [k, want] : {std::pair{GDK_KEY_n, CellPos(3, 2)},
                           {GDK_KEY_n, CellPos(1, 0)},
                           {GDK_KEY_N, CellPos(3, 2)}}) {
        ASSERT_TRUE(key(k));
        EXPECT_EQ(ctx->get_cell_pos(), want);
    }
    ASSERT_TRUE(key(GDK_KEY_slash));
    cmd->text_editor->commit("nothing");
    cmd_key(GDK_KEY_Return);
    EXPECT_EQ(ctx->get_cell_pos(), CellPos(3, 2));
    EXPECT_EQ(line(), "not found: nothing");
    ctx->set_now_mode(ctx->get_mode<SelectCellMode>());
    EXPECT_EQ(line(), "SELECT CELL MODE");
}

}  // namespace

namespace {

// Where every connector runs, in uid order.
std::string lattrix_routes(Model::Workspace& ws) {
    std::string sig;
    ws.get_connector_set()->foreach_ordered([&](const auto& c) {
        sig += c->start_pos.to_string() + ">" + c->end_pos.to_string() + ":";
        for (const auto& seg : c->get_segments()) {
            sig += seg->start.to_string() + "-" + seg->end.to_string() + " ";
        }
        sig += "\n";
        return true;
    });
    return sig;
}

TEST_F(CmdCtrlTest, ConnectorLabelsAreEditedOnThePromptAndUndoneStepByStep) {
    using Model::ConnectorLabel;
    ASSERT_TRUE(ws->add_class(CellPos(0, 0)));
    ASSERT_TRUE(ws->add_class(CellPos(0, 2)));
    // A realization from the implementing class down to the interface.
    ASSERT_TRUE(key(GDK_KEY_E, GDK_SHIFT_MASK));
    ASSERT_TRUE(key(GDK_KEY_j));
    ASSERT_TRUE(key(GDK_KEY_j));
    ASSERT_TRUE(key(GDK_KEY_Return));
    ASSERT_EQ(ws->get_connector_set()->size(), 1);
    auto con = *ws->get_connector_set()->begin();
    EXPECT_EQ(con->get_serializing_type_name(), "realization");
    ASSERT_TRUE(key(GDK_KEY_r));

    // Each key opens its prompt prefilled with the current text; Return
    // sets it, Escape drops it, an empty text removes the label.
    auto edit = [&](guint k, const char* prompt, const std::string& shown, const std::string& text,
                    guint finish) {
        ASSERT_TRUE(key(k));
        ASSERT_EQ(CtrlSwitcher::get_now_ctrl(), cmd);
        EXPECT_EQ(cmd->prompt_layout->get_text(), prompt);
        EXPECT_EQ(line(), shown);
        cmd->text_editor->replace_all(text);
        ASSERT_TRUE(cmd_key(finish));
        EXPECT_EQ(CtrlSwitcher::get_now_ctrl(), ctx);
        EXPECT_EQ(cmd->prompt_layout->get_text(), ":");
    };
    edit(GDK_KEY_s, "start: ", "", "1..*", GDK_KEY_Return);
    edit(GDK_KEY_e, "end: ", "", "0..1 owner", GDK_KEY_Return);
    edit(GDK_KEY_i, "name: ", "", "implements", GDK_KEY_Return);
    edit(GDK_KEY_s, "start: ", "1..*", "dropped", GDK_KEY_Escape);
    edit(GDK_KEY_e, "end: ", "0..1 owner", "0..1 owner", GDK_KEY_Return);  // no step
    edit(GDK_KEY_s, "start: ", "1..*", "", GDK_KEY_Return);
    auto labels = [&] {
        return con->get_label(ConnectorLabel::NAME) + "|" + con->get_label(ConnectorLabel::START) +
               "|" + con->get_label(ConnectorLabel::END);
    };
    EXPECT_EQ(labels(), "implements||0..1 owner");
    EXPECT_EQ(ctx->get_now_mode()->get_name(), "SELECT CONNECTOR MODE");
    EXPECT_TRUE(con->is_selected);

    const std::string saved = (dir / "labels.xml").string();
    ASSERT_TRUE(ws->save(saved));
    ASSERT_TRUE(key(GDK_KEY_Escape));
    for (const char* expected :
         {"implements|1..*|0..1 owner", "|1..*|0..1 owner", "|1..*|", "||", ""}) {
        ASSERT_TRUE(key(GDK_KEY_u));
        EXPECT_EQ(ws->get_connector_set()->size(), expected[0] == '\0' ? 0 : 1);
        if (expected[0] != '\0') {
            EXPECT_EQ(labels(), expected);
        }
    }
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(key(GDK_KEY_r, GDK_CONTROL_MASK));
    }
    EXPECT_EQ(labels(), "implements||0..1 owner");
    const std::string again = (dir / "again.xml").string();
    ASSERT_TRUE(ws->save(again));
    std::ifstream a(saved);
    std::ifstream b(again);
    const std::string sa((std::istreambuf_iterator<char>(a)), {});
    const std::string sb((std::istreambuf_iterator<char>(b)), {});
    EXPECT_EQ(sa, sb);
    EXPECT_NE(sa.find("type=\"realization\" name=\"implements\""), std::string::npos) << sa;
    EXPECT_NE(sa.find("label=\"0..1 owner\""), std::string::npos) << sa;

    // A self-relation on the interface, where the cursor still is: out and
    // back to it, then Return.
    ASSERT_EQ(ctx->get_cell_pos(), CellPos(0, 2));
    ASSERT_TRUE(key(GDK_KEY_R, GDK_SHIFT_MASK));
    ASSERT_TRUE(key(GDK_KEY_l));
    ASSERT_TRUE(key(GDK_KEY_h));
    ASSERT_TRUE(key(GDK_KEY_Return));
    ASSERT_EQ(ws->get_connector_set()->size(), 2);
    std::shared_ptr<Model::AbstractConnectorElement> self;
    for (const auto& c : *ws->get_connector_set()) {
        if (c != con) {
            self = c;
        }
    }
    EXPECT_EQ(self->start_pos, CellPos(0, 2));
    EXPECT_EQ(self->end_pos, CellPos(0, 2));
    EXPECT_EQ(self->get_segments().size(), 4u);
    ASSERT_TRUE(key(GDK_KEY_u));
    EXPECT_EQ(ws->get_connector_set()->size(), 1);
    ASSERT_TRUE(key(GDK_KEY_r, GDK_CONTROL_MASK));
    ASSERT_EQ(ws->get_connector_set()->size(), 2);
    // The saved document reads back to the same routes; the export shows
    // both connectors, the realization dashed with its labels as text.
    const std::string with_self = (dir / "self.xml").string();
    ASSERT_TRUE(ws->save(with_self));
    const std::string before = lattrix_routes(*ws);
    auto fresh = std::make_shared<Model::Workspace>();
    ASSERT_TRUE(fresh->load(with_self));
    EXPECT_EQ(lattrix_routes(*fresh), before);
    const std::string svg = (dir / "out.svg").string();
    ASSERT_TRUE(cmd->run_command("xp " + svg));
    std::ifstream in(svg);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("stroke-dasharray"), std::string::npos);
    EXPECT_NE(text.find("connector realization"), std::string::npos);
    EXPECT_NE(text.find("connector association"), std::string::npos);
    EXPECT_NE(text.find("<text class=\"label name\""), std::string::npos);
    EXPECT_NE(text.find(">0..1 owner</text>"), std::string::npos);
}

}  // namespace

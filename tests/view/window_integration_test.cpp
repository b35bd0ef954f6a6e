#include <string>
#include <vector>

#include <cairomm/surface.h>
#include <glib/gstdio.h>
#include <glibmm/fileutils.h>
#include <glibmm/main.h>
#include <glibmm/miscutils.h>
#include <gtest/gtest.h>
#include <gtkmm/main.h>

#include "ctrl/cmd_ctrl.hpp"
#include "ctrl/context.hpp"
#include "ctrl/ctrl_switcher.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "ctrl/modes/in_class_modes.hpp"
#include "ctrl/modes/select_cell_mode.hpp"
#include "model/workspace.hpp"
#include "view/main_window.hpp"

using View::MainWindow;

namespace {

void drain_events() {
    for (int i = 0; i < 50 && Gtk::Main::events_pending(); ++i) {
        Gtk::Main::iteration(false);
    }
}

// Shows the window and waits until every widget has been drawn once.
void show_and_draw(MainWindow& w) {
    w.show_all();
    for (int i = 0; i < 200 && (!w.get_canvas().get_dc()->get_surface() ||
                                !w.get_command_bar().get_dc()->get_surface());
         ++i) {
        Gtk::Main::iteration(false);
        g_usleep(1000);
    }
    drain_events();
}

bool menu_enabled(MainWindow& w, const std::string& name) {
    bool enabled = false;
    w.get_menu_bar().foreach_menu_item([&](View::MenuItem& item) {
        if (item.action_name() == name) {
            enabled = item.get_sensitive();
            return false;
        }
        return true;
    });
    return enabled;
}

bool button_enabled(MainWindow& w, const std::string& name) {
    bool enabled = false;
    w.get_tool_bar().foreach_tool_btn([&](View::ToolButton& btn) {
        if (btn.action_name() == name) {
            enabled = btn.get_sensitive();
            return false;
        }
        return true;
    });
    return enabled;
}

// Brightest red component in a column range of the surface's first rows.
int brightest(const Cairo::RefPtr<Cairo::Surface>& surface, int x0, int x1) {
    auto img = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, x1 - x0, 20);
    auto cr = Cairo::Context::create(img);
    cr->set_source(surface, -x0, 0);
    cr->paint();
    img->flush();
    int best = 0;
    for (int y = 0; y < img->get_height(); ++y) {
        const unsigned char* row = img->get_data() + y * img->get_stride();
        for (int x = 0; x < img->get_width(); ++x) {
            best = std::max(best, static_cast<int>(row[x * 4 + 2]));
        }
    }
    return best;
}

std::string temp_dir() {
    std::string dir = Glib::build_filename(Glib::get_tmp_dir(), "lattrix-wi-XXXXXX");
    EXPECT_NE(g_mkdtemp(dir.data()), nullptr);
    return dir;
}

}  // namespace

TEST(WindowIntegrationTest, BarsFollowTheModeAndCommandBarShowsItsName) {
    MainWindow w;
    auto& ctx = *w.get_context();
    ASSERT_TRUE(std::dynamic_pointer_cast<Ctrl::CellMode>(ctx.get_now_mode()));
    // The cell mode's own names are on, plus the document commands.
    for (const char* name :
         {"undo", "insert-class", "insert-row", "connect-dependency", "open-file", "save-as-file",
          "export-png", "manual", "exit", "version", "new-file"}) {
        EXPECT_TRUE(menu_enabled(w, name)) << name;
    }
    EXPECT_TRUE(button_enabled(w, "new-file"));
    EXPECT_TRUE(button_enabled(w, "connect-generalization"));
    EXPECT_TRUE(menu_enabled(w, "copy"));
    EXPECT_TRUE(button_enabled(w, "cut"));

    // The select-cell mode offers only copy, cut and paste of its own.
    ctx.set_now_mode(ctx.get_mode<Ctrl::SelectCellMode>());
    EXPECT_TRUE(menu_enabled(w, "copy"));
    EXPECT_FALSE(menu_enabled(w, "undo"));
    EXPECT_FALSE(button_enabled(w, "undo"));
    EXPECT_FALSE(button_enabled(w, "insert-class"));
    EXPECT_TRUE(menu_enabled(w, "save-file"));
    EXPECT_TRUE(button_enabled(w, "new-file"));
    EXPECT_TRUE(button_enabled(w, "manual"));
    EXPECT_EQ(w.get_command_bar().get_cmd_ctrl()->line_layout->get_text(), "SELECT CELL MODE");

    // Editing inside a class offers only the document commands too.
    ctx.set_now_mode(ctx.get_mode<Ctrl::CellMode>());
    EXPECT_TRUE(menu_enabled(w, "insert-class"));
    ASSERT_TRUE(w.get_ws()->add_class(CellPos(0, 0)));
    ctx.set_now_mode(ctx.get_mode<Ctrl::NormalModeInClass>());
    ASSERT_TRUE(std::dynamic_pointer_cast<Ctrl::NormalModeInClass>(ctx.get_now_mode()));
    EXPECT_FALSE(menu_enabled(w, "insert-class"));
    EXPECT_FALSE(menu_enabled(w, "copy"));
    EXPECT_FALSE(button_enabled(w, "delete-row"));
    EXPECT_TRUE(button_enabled(w, "open-file"));
    EXPECT_TRUE(button_enabled(w, "export-png"));
}

TEST(WindowIntegrationTest, CommandBarPaintsTheModeNameThenThePromptAndCaret) {
    MainWindow w;
    show_and_draw(w);
    auto& bar = w.get_command_bar();
    auto surface = bar.get_dc()->get_surface();
    ASSERT_TRUE(surface);
    int width = bar.get_allocated_width();
    ASSERT_GT(width, 200);
    // "CELL MODE" in the light text colour at the left, black beyond it.
    int name_width = bar.get_cmd_ctrl()->line_layout->get_logical_extents().get_width() / 1024;
    EXPECT_GT(brightest(surface, 0, name_width), 0xc0);
    EXPECT_EQ(brightest(surface, name_width + 4, width), 0);

    Ctrl::CtrlSwitcher::switch_to_cmd_ctrl();
    ASSERT_TRUE(bar.get_cmd_ctrl()->text_editor);
    bar.queue_draw();
    int prompt_width = bar.get_cmd_ctrl()->prompt_layout->get_logical_extents().get_width() / 1024;
    // The redraw comes with a later frame when the display is busy.
    for (int i = 0; i < 2000 && brightest(surface, prompt_width + 6, width) != 0; ++i) {
        Gtk::Main::iteration(false);
        g_usleep(1000);
    }
    // The ":" prompt, then the caret of the empty command right after it.
    EXPECT_GT(brightest(surface, 0, prompt_width), 0xc0);
    EXPECT_GT(brightest(surface, prompt_width, prompt_width + 3), 0xc0);
    EXPECT_EQ(brightest(surface, prompt_width + 6, width), 0);
    Ctrl::CtrlSwitcher::switch_to_edit_ctrl();
}

TEST(WindowIntegrationTest, ExportPngWritesAtOnceWithAPathAndAsksWithoutOne) {
    MainWindow w;
    std::vector<std::string> asked;
    w.set_dialog_runner([&](Gtk::Dialog& d) {
        asked.push_back(d.get_title());
        return static_cast<int>(Gtk::RESPONSE_CANCEL);
    });
    std::string dir = temp_dir();
    std::string path = Glib::build_filename(dir, "x.png");
    w.activate_action("export-png", Glib::Variant<Glib::ustring>::create(path));
    EXPECT_TRUE(asked.empty());
    ASSERT_TRUE(Glib::file_test(path, Glib::FILE_TEST_EXISTS));
    auto img = Cairo::ImageSurface::create_from_png(path);
    // The fixed area: columns 0..16 and rows 0..10 of an empty grid.
    auto area =
        w.get_ws()->get_grid()->get_rectangle_range(CellRange(CellPos(0, 0), CellPos(16, 10)));
    EXPECT_EQ(img->get_width(), static_cast<int>(area.width));
    EXPECT_EQ(img->get_height(), static_cast<int>(area.height));

    w.activate_action("export-png", Glib::Variant<Glib::ustring>::create(""));
    EXPECT_EQ(asked, (std::vector<std::string>{"Export image"}));
    g_remove(path.c_str());
    g_rmdir(dir.c_str());
}

TEST(WindowIntegrationTest, ClosingAsksOnlyForUnsavedChangesAndCancelKeepsTheWindow) {
    MainWindow w;
    int questions = 0;
    int answer = Gtk::RESPONSE_CANCEL;
    w.set_dialog_runner([&](Gtk::Dialog&) {
        ++questions;
        return answer;
    });
    show_and_draw(w);
    w.get_ws()->signal_update().emit();
    w.close();
    drain_events();
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(w.get_visible());
    answer = Gtk::RESPONSE_NO;
    w.close();
    drain_events();
    EXPECT_EQ(questions, 2);
    EXPECT_FALSE(w.get_visible());
    // Unchanged documents close without a question.
    MainWindow fresh;
    fresh.set_dialog_runner([&](Gtk::Dialog&) {
        ++questions;
        return static_cast<int>(Gtk::RESPONSE_CANCEL);
    });
    show_and_draw(fresh);
    fresh.close();
    drain_events();
    EXPECT_EQ(questions, 2);
    EXPECT_FALSE(fresh.get_visible());
}

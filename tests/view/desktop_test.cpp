// The window as a desktop program: shortcuts, the manual, the remembered
// size. The rest is driven end to end by tests/e2e/desktop_test.sh.
#include <gtest/gtest.h>
#include <glib/gstdio.h>
#include <glibmm/fileutils.h>
#include <glibmm/miscutils.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ctrl/context.hpp"
#include "ctrl/modes/mode.hpp"
#include "view/application.hpp"
#include "view/main_window.hpp"

namespace {

struct TempDir {
    std::string path;
    TempDir() {
        gchar* p = g_dir_make_tmp("lattrix-desktop-XXXXXX", nullptr);
        path = p;
        g_free(p);
    }
    ~TempDir() { static_cast<void>(std::system(("rm -rf '" + path + "'").c_str())); }
};

}  // namespace

// Every menu shortcut is one a mode never binds, so a shortcut takes no key
// from any mode, and each reaches its menu entry through the window. The
// View menu's shortcuts are the modes' own zoom keys, running the same zoom.
TEST(DesktopTest, ShortcutsTakeNoModeKeyAndRunTheirEntries) {
    View::MainWindow w;
    const auto& shortcuts = w.get_menu_bar().get_shortcuts();
    std::vector<std::string> names;
    for (const auto& s : shortcuts) {
        names.push_back(s.action_name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"new-file", "open-file", "save-file", "save-as-file",
                                               "export-png", "exit", "undo", "redo", "zoom-in",
                                               "zoom-out", "zoom-normal", "zoom-fit", "manual"}));
    for (const auto& [type, mode] : w.get_context()->modes) {
        for (const auto& s : shortcuts) {
            if (s.action_name.rfind("zoom-", 0) == 0) {
                continue;
            }
            guint key = 0;
            GdkModifierType mods{};
            gtk_accelerator_parse(s.accel.c_str(), &key, &mods);
            ASSERT_NE(key, 0u) << s.accel;
            EXPECT_FALSE(mode->get_key_action_map().action(key, mods))
                << s.accel << " is taken by " << mode->get_name();
        }
    }
    // Each shortcut is in the window's group, on the entry that runs it.
    auto group = w.get_menu_bar().get_accel_group();
    for (const auto& s : shortcuts) {
        guint key = 0;
        GdkModifierType mods{};
        gtk_accelerator_parse(s.accel.c_str(), &key, &mods);
        EXPECT_NE(gtk_accel_group_query(group->gobj(), key, mods, nullptr), nullptr) << s.accel;
    }
    EXPECT_NE(g_slist_find(gtk_accel_groups_from_object(G_OBJECT(w.gobj())), group->gobj()),
              nullptr);
}

TEST(DesktopTest, HelpPrefersTheInstalledManualInTheUsersLanguage) {
    TempDir none, dir;
    g_mkdir_with_parents((dir.path + "/doc-ja").c_str(), 0700);
    Glib::file_set_contents(dir.path + "/doc-ja/index.html", "<html></html>");
    // Only a Japanese manual here: Japanese users get it, others the web.
    EXPECT_EQ(View::manual_location({"ja_JP", "ja"}, {none.path, dir.path}),
              Glib::filename_to_uri(dir.path + "/doc-ja/index.html"));
    EXPECT_EQ(View::manual_location({"en"}, {none.path, dir.path}), View::manual_uri({"en"}));
    EXPECT_EQ(View::manual_location({"ja"}, {}), View::manual_uri({"ja"}));
}

TEST(DesktopTest, WindowSizeSurvivesOnlyWhenBelievable) {
    TempDir dir;
    const std::string path = dir.path + "/deep/er/window.ini";
    EXPECT_FALSE(View::load_window_size(path).has_value());
    ASSERT_TRUE(View::save_window_size(path, {900, 700, true}));
    auto got = View::load_window_size(path);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->width, 900);
    EXPECT_EQ(got->height, 700);
    EXPECT_TRUE(got->maximized);
    // A hand-edited or damaged file is ignored, never obeyed.
    for (const char* text : {"[window]\nwidth=99999999\nheight=500\n", "[window]\nwidth=-5\n",
                             "garbage \x01\x02", "[window]\nwidth=800\nheight=x\n"}) {
        Glib::file_set_contents(path, text);
        EXPECT_FALSE(View::load_window_size(path).has_value()) << text;
    }
    // An unwritable place answers false and leaves nothing half-written.
    EXPECT_FALSE(View::save_window_size("/proc/lattrix/window.ini", {800, 600, false}));
}

#include "view/main_window.hpp"

#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/filefilter.h>
#include <gtkmm/label.h>
#include <glib/gstdio.h>
#include <glibmm/fileutils.h>
#include <glibmm/miscutils.h>

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "ctrl/context.hpp"
#include "ctrl/document_file.hpp"
#include "model/element_cells.hpp"
#include "model/workspace.hpp"
#include "ctrl/cmd_ctrl.hpp"

using View::display_file_name;
using View::MainWindow;

TEST(WindowTitleTest, FollowsTheDisplayName) {
    EXPECT_EQ(display_file_name("", "/home/u"), "");
    EXPECT_EQ(View::window_title(""), "Lattrix");
    EXPECT_EQ(display_file_name("/home/u/a.xml", "/home/u"), "a.xml");
    EXPECT_EQ(display_file_name("/home/u/d/e/a.xml", "/home/u"), "d/e/a.xml");
    EXPECT_EQ(View::window_title("a.xml"), "Lattrix - a.xml");
    // Outside the current directory (including a sibling sharing a prefix)
    // the absolute path is shown.
    EXPECT_EQ(display_file_name("/tmp/a.xml", "/home/u"), "/tmp/a.xml");
    EXPECT_EQ(display_file_name("/home/user2/a.xml", "/home/u"), "/home/user2/a.xml");
    EXPECT_EQ(display_file_name("/home/a.xml", "/home/u"), "/home/a.xml");
}

TEST(WindowTitleTest, SaveQuestionNamesTheDocument) {
    EXPECT_EQ(View::save_question_text(""),
              "This workspace has been updated.\nDo you save the file?");
    EXPECT_EQ(View::save_question_text("a%s.xml"),
              "\"a%s.xml\" has been updated.\nDo you save the file?");
}

TEST(ManualTest, OnlyAnExactJaEntryChoosesTheJapaneseManual) {
    EXPECT_EQ(View::manual_path({"ja_JP.UTF-8", "ja_JP", "ja", "C"}), "/release/0.01/doc-ja/");
    EXPECT_EQ(View::manual_path({"en_US.UTF-8", "en_US", "en", "C"}), "/release/0.01/doc-en/");
    EXPECT_EQ(View::manual_path({"ja_JP.UTF-8", "ja_JP", "C"}), "/release/0.01/doc-en/");
    EXPECT_EQ(View::manual_path({"en", "ja"}), "/release/0.01/doc-ja/");
    EXPECT_EQ(View::manual_path({}), "/release/0.01/doc-en/");
    std::string uri = View::manual_uri({"ja"});
    EXPECT_EQ(uri.substr(0, 8), "https://");
    EXPECT_EQ(uri.substr(uri.size() - 21), "/release/0.01/doc-ja/");
}

TEST(MainWindowTest, OffersTheSixDocumentActions) {
    MainWindow w;
    for (const char* name :
         {"new-file", "open-file", "save-file", "save-as-file", "manual", "export-png"}) {
        auto action = w.lookup_action(name);
        ASSERT_TRUE(action) << name;
        bool takes_string = name == std::string("export-png");
        EXPECT_EQ(static_cast<bool>(action->get_parameter_type().gobj()), takes_string) << name;
    }
    EXPECT_EQ(w.get_title(), "Lattrix");
    EXPECT_EQ(w.get_border_width(), 2u);
}

TEST(MainWindowTest, ChoosersCarryTheirTitlesButtonsAndFilters) {
    MainWindow w;
    auto open = w.new_file_chooser_dialog("Open file", "_Open", Gtk::FILE_CHOOSER_ACTION_OPEN);
    EXPECT_EQ(open->get_title(), "Open file");
    EXPECT_EQ(open->get_action(), Gtk::FILE_CHOOSER_ACTION_OPEN);
    EXPECT_TRUE(open->get_do_overwrite_confirmation());
    auto filters = open->list_filters();
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0]->get_name(), "Lattrix data (XML)");
    EXPECT_EQ(filters[1]->get_name(), "All");
    auto* accept = dynamic_cast<Gtk::Button*>(open->get_widget_for_response(Gtk::RESPONSE_ACCEPT));
    ASSERT_NE(accept, nullptr);
    EXPECT_EQ(accept->get_label(), "_Open");
    EXPECT_NE(open->get_widget_for_response(Gtk::RESPONSE_CANCEL), nullptr);

    auto png = w.new_export_file_chooser_dialog();
    EXPECT_EQ(png->get_title(), "Export image");
    EXPECT_EQ(png->get_action(), Gtk::FILE_CHOOSER_ACTION_SAVE);
    filters = png->list_filters();
    ASSERT_EQ(filters.size(), 4u);
    EXPECT_EQ(filters[0]->get_name(), "PNG image");
    EXPECT_EQ(filters[1]->get_name(), "SVG image");
    EXPECT_EQ(filters[2]->get_name(), "PDF document");
    auto* exp = dynamic_cast<Gtk::Button*>(png->get_widget_for_response(Gtk::RESPONSE_ACCEPT));
    ASSERT_NE(exp, nullptr);
    EXPECT_EQ(exp->get_label(), "_Export");
    // A chosen format puts its extension on the name; the format follows
    // the name's extension first, the filter second.
    EXPECT_EQ(png->get_current_name(), "diagram.png");
    png->set_current_name("shop.v2");
    png->set_filter(filters[1]);
    EXPECT_EQ(png->get_current_name(), "shop.svg");
    png->set_filter(filters[2]);
    EXPECT_EQ(png->get_current_name(), "shop.pdf");
    EXPECT_EQ(MainWindow::get_export_format(*png, "/tmp/x.svg"), View::ExportFormat::SVG);
    EXPECT_EQ(MainWindow::get_export_format(*png, "/tmp/x"), View::ExportFormat::PDF);
    png->set_filter(filters[3]);
    EXPECT_EQ(MainWindow::get_export_format(*png, "/tmp/x"), std::nullopt);
}

TEST(MainWindowTest, SaveQuestionAnswersDecideWhetherToGoOn) {
    MainWindow w;
    std::vector<std::string> titles;
    int answer = Gtk::RESPONSE_CANCEL;
    w.set_dialog_runner([&](Gtk::Dialog& d) {
        titles.push_back(d.get_title());
        if (auto* m = dynamic_cast<Gtk::MessageDialog*>(&d)) {
            EXPECT_EQ(m->property_text().get_value(),
                      "This workspace has been updated.\nDo you save the file?");
            EXPECT_NE(m->get_widget_for_response(Gtk::RESPONSE_YES), nullptr);
            EXPECT_NE(m->get_widget_for_response(Gtk::RESPONSE_NO), nullptr);
            EXPECT_NE(m->get_widget_for_response(Gtk::RESPONSE_CANCEL), nullptr);
            return answer;
        }
        return static_cast<int>(Gtk::RESPONSE_CANCEL);
    });
    // Nothing changed: no question at all.
    EXPECT_TRUE(w.confirm_to_save_update());
    EXPECT_TRUE(titles.empty());

    w.get_ws()->signal_update().emit();
    ASSERT_TRUE(w.get_ws()->get_is_updated());
    answer = Gtk::RESPONSE_CANCEL;
    EXPECT_FALSE(w.confirm_to_save_update());
    answer = Gtk::RESPONSE_DELETE_EVENT;
    EXPECT_FALSE(w.confirm_to_save_update());
    answer = Gtk::RESPONSE_NO;
    EXPECT_TRUE(w.confirm_to_save_update());
    // "_Save" on a never saved document asks for a file; cancelling that
    // must not let a close or a new document throw the changes away.
    titles.clear();
    answer = Gtk::RESPONSE_YES;
    EXPECT_FALSE(w.confirm_to_save_update());
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[1], "Save file");
    EXPECT_TRUE(w.get_ws()->get_is_updated());
}

TEST(MainWindowTest, SavingRetitlesTheWindowAndSaveGoesToTheCurrentPath) {
    MainWindow w;
    std::string dir = Glib::build_filename(Glib::get_tmp_dir(), "lattrix-window-XXXXXX");
    ASSERT_NE(g_mkdtemp(dir.data()), nullptr);
    std::string path = Glib::build_filename(dir, "a.xml");
    int asked = 0;
    w.set_dialog_runner([&](Gtk::Dialog& d) {
        ++asked;
        return dynamic_cast<Gtk::MessageDialog*>(&d) ? static_cast<int>(Gtk::RESPONSE_YES)
                                                     : static_cast<int>(Gtk::RESPONSE_CANCEL);
    });
    ASSERT_TRUE(w.get_ws()->save(path));
    // Outside the current directory the absolute path is shown.
    EXPECT_EQ(w.get_title(), "Lattrix - " + path);
    w.get_ws()->signal_update().emit();
    // "_Save" with a path writes there without a chooser and goes on.
    EXPECT_TRUE(w.confirm_to_save_update());
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(w.get_ws()->get_is_updated());
    EXPECT_TRUE(Glib::file_test(path, Glib::FILE_TEST_EXISTS));
    // A new document forgets the path.
    w.new_file();
    EXPECT_EQ(w.get_title(), "Lattrix");
    g_remove(path.c_str());
    g_rmdir(dir.c_str());
}

TEST(MainWindowTest, ChangesOnDiskRaiseTheBarAndASaveOverThemAsks) {
    MainWindow w;
    w.show_all();
    std::string dir = Glib::build_filename(Glib::get_tmp_dir(), "lattrix-window-XXXXXX");
    ASSERT_NE(g_mkdtemp(dir.data()), nullptr);
    const std::string path = Glib::build_filename(dir, "a.xml");
    const std::string theirs = "<workspace><element_cells/><connector_set/></workspace>\n";
    auto& document = w.get_context()->get_document();
    auto& bar = w.get_disk_bar();
    std::vector<std::string> questions;
    std::vector<int> answers;
    w.set_dialog_runner([&](Gtk::Dialog& d) {
        auto* m = dynamic_cast<Gtk::MessageDialog*>(&d);
        questions.push_back(m != nullptr ? std::string(m->property_text().get_value()) : "");
        int answer = answers.empty() ? static_cast<int>(Gtk::RESPONSE_CANCEL) : answers.front();
        if (!answers.empty()) {
            answers.erase(answers.begin());
        }
        return answer;
    });
    const auto wait_for_bar = [&] {
        const gint64 deadline = g_get_monotonic_time() + 2 * G_USEC_PER_SEC;
        while (!bar.get_visible() && g_get_monotonic_time() < deadline) {
            g_main_context_iteration(nullptr, FALSE);
        }
        return bar.get_visible();
    };
    const auto rewrite = [&] { Glib::file_set_contents(path, theirs); };
    const auto message = [&] { return w.get_command_bar().get_cmd_ctrl()->get_message(); };

    std::string problem;
    w.get_ws()->add_class(CellPos(0, 0));
    ASSERT_TRUE(document.save(path, problem));
    EXPECT_FALSE(bar.get_visible());
    rewrite();
    ASSERT_TRUE(wait_for_bar());
    std::vector<std::string> labels;
    for (Gtk::Widget* child :
         dynamic_cast<Gtk::Container*>(bar.get_action_area())->get_children()) {
        if (auto* button = dynamic_cast<Gtk::Button*>(child)) {
            labels.push_back(button->get_label());
        }
    }
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, (std::vector<std::string>{"Keep mine", "Reload"}));

    // A save over the change asks; Cancel writes nothing and says so.
    w.get_ws()->signal_update().emit();
    EXPECT_FALSE(w.save_file(true));
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], View::overwrite_question_text(path));
    EXPECT_EQ(Glib::file_get_contents(path), theirs);
    EXPECT_NE(message().find("not written"), std::string::npos);
    answers = {Gtk::RESPONSE_ACCEPT};
    EXPECT_TRUE(w.save_file(true));
    EXPECT_NE(Glib::file_get_contents(path), theirs);
    EXPECT_FALSE(bar.get_visible());

    // "Keep mine" hides the bar; "Reload" takes their version.
    rewrite();
    ASSERT_TRUE(wait_for_bar());
    bar.response(MainWindow::RESPONSE_KEEP_MINE);
    EXPECT_FALSE(bar.get_visible());
    rewrite();
    ASSERT_TRUE(wait_for_bar());
    bar.response(MainWindow::RESPONSE_RELOAD);
    EXPECT_FALSE(bar.get_visible());
    EXPECT_EQ(w.get_ws()->get_element_cells()->count(), 0);

    // The open dialog's choice is refused at once when it is no file.
    const std::string fifo = Glib::build_filename(dir, "pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(w.open_path(fifo));
    EXPECT_EQ(message(), "open: " + fifo + " is not a regular file: it is a named pipe");

    // The recovery question, Recover first and the default.
    questions.clear();
    answers = {Gtk::RESPONSE_YES, Gtk::RESPONSE_NO, Gtk::RESPONSE_DELETE_EVENT};
    Model::RecoveryCopy copy{"", "", 1700000000LL * G_USEC_PER_SEC};
    EXPECT_EQ(w.ask_recover(copy), Ctrl::DocumentFile::Answer::RECOVER);
    EXPECT_EQ(w.ask_recover(copy), Ctrl::DocumentFile::Answer::DISCARD);
    EXPECT_EQ(w.ask_recover(copy), Ctrl::DocumentFile::Answer::LATER);
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[0].rfind("Recover unsaved changes to a new document from ", 0), 0u);
    EXPECT_EQ(View::recovery_question_text("a.xml", "12:00"),
              "Recover unsaved changes to a.xml from 12:00?");

    g_remove(fifo.c_str());
    g_remove(path.c_str());
    g_rmdir(dir.c_str());
}

#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <giomm/simpleaction.h>
#include <glibmm/refptr.h>
#include <glibmm/variant.h>
#include <gtkmm/application.h>
#include <gtkmm/applicationwindow.h>
#include <gtkmm/dialog.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/grid.h>
#include <gtkmm/infobar.h>
#include <gtkmm/label.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/recentmanager.h>

#include "ctrl/document_file.hpp"
#include "model/recovery_store.hpp"
#include "render/exporting_canvas.hpp"
#include "view/canvas.hpp"
#include "view/command_bar.hpp"
#include "view/menubar.hpp"
#include "view/toolbar.hpp"

namespace Model {
class Workspace;
}
namespace Ctrl {
class Context;
}

namespace View {

class ExportingCnavas;

// The document's path as the user sees it: empty for a new document, the
// path relative to cwd when the file lies below cwd, else the absolute path.
std::string display_file_name(const std::string& file_path, const std::string& cwd);
// "Lattrix", or "Lattrix - " and the display name.
std::string window_title(const std::string& display_name);
// The save question, naming the document by its display name in quotes or
// as "This workspace" when it has none.
std::string save_question_text(const std::string& display_name);
// The change-on-disk bar's text.
std::string disk_change_text(const std::string& display_name);
// The question before a save overwrites another program's change.
std::string overwrite_question_text(const std::string& display_name);
// The question about a recovery copy; an empty name is a never-saved
// document.
std::string recovery_question_text(const std::string& display_name, const std::string& time);
// The manual's path for the user's preferred languages (most preferred
// first): the Japanese manual when one entry is exactly "ja".
std::string manual_path(const std::vector<std::string>& language_names);
// The manual's address for the given languages.
std::string manual_uri(const std::vector<std::string>& language_names);
// The manual for the given languages: the first of the installed manual
// folders (each holding doc-en/ and doc-ja/) that has it, as a file
// address; else the published one.
std::string manual_location(const std::vector<std::string>& language_names,
                            const std::vector<std::string>& manual_dirs);
// Where an installed manual may be: beside the program's prefix, then the
// folder it was built to be installed into.
std::vector<std::string> installed_manual_dirs();
// The question before a document named on the command line replaces the
// one in the window.
std::string replace_question_text(const std::string& display_name, const std::string& new_path);

// The one window: it owns the document, the canvas and the editing
// controller, and offers the document commands as window actions.
class MainWindow : public Gtk::ApplicationWindow {
  public:
    // Runs a dialog modally and answers its response; replaceable so that
    // the document commands can be driven without a user.
    using DialogRunner = std::function<int(Gtk::Dialog&)>;

    explicit MainWindow(const Glib::RefPtr<Gtk::Application>& app = {});
    explicit MainWindow(Gtk::Application& app);
    ~MainWindow() override;

    std::string get_display_file_name() const;
    void update_title();

    std::unique_ptr<Gtk::FileChooserDialog> new_file_chooser_dialog(const std::string& title,
                                                                    const std::string& accept_label,
                                                                    Gtk::FileChooserAction action);
    // "Export image": PNG, SVG and PDF; choosing one sets the name's
    // extension.
    std::unique_ptr<Gtk::FileChooserDialog> new_export_file_chooser_dialog();
    // The format for an accepted export chooser: the name's extension, else
    // the chosen filter's format; nullopt for "All" and no known extension.
    static std::optional<ExportFormat> get_export_format(Gtk::FileChooserDialog& dialog,
                                                         const std::string& path);
    // A chooser with Cancel, the accept button, and the given filters (name
    // and MIME type) followed by "All". Saving asks before it overwrites.
    struct FileChooserOptions {
        std::string title;
        std::string accept_label;
        Gtk::FileChooserAction action;
        std::vector<std::pair<std::string, std::string>> filters;
    };
    std::unique_ptr<Gtk::FileChooserDialog> new_chooser(const FileChooserOptions& options);
    std::unique_ptr<Gtk::MessageDialog> new_save_question_dialog();

    // Asks to save unsaved changes; true means the caller may go on. Choosing
    // to save goes on only if the document was saved: a cancelled or failed
    // save keeps the window and the unsaved changes.
    [[nodiscard]] bool confirm_to_save_update();
    void new_file();
    void open_file();
    // A document named from outside (the command line, a launcher, a
    // second start): replaces the window's document after the save
    // question and, when one is shown, the question whether to replace.
    void open_from_outside(const std::string& path);
    // Asks the save question and closes the window, which ends the program.
    void exit();
    void show_about();
    // Where documents opened and saved are announced; none by default, so
    // that test windows leave the user's recent files alone.
    void set_recent_manager(Glib::RefPtr<Gtk::RecentManager> recent) {
        m_recent = std::move(recent);
    }
    // Opens path as the open dialog does once a file is chosen; false with
    // a note on the command bar.
    [[nodiscard]] bool open_path(const std::string& path);
    // True when the document was written.
    [[nodiscard]] bool save_file(bool use_current_path);
    // The off-screen canvas over the selected range, or the fixed area.
    std::shared_ptr<ExportingCnavas> new_exporting_canvas();
    // An empty path asks for one in a dialog.
    void export_png(const std::string& file_path);
    void show_help();

    // Starts keeping recovery copies and offers those left behind; the
    // application does this for its window.
    void start_recovery();
    // Asks before a save overwrites another program's change.
    [[nodiscard]] bool confirm_overwrite();
    Ctrl::DocumentFile::Answer ask_recover(const Model::RecoveryCopy& copy);
    // The bar that tells of a change on disk.
    Gtk::InfoBar& get_disk_bar() { return m_disk_bar; }
    static constexpr int RESPONSE_RELOAD = 1;
    static constexpr int RESPONSE_KEEP_MINE = 2;

    void add_named_action(const std::string& name, void (MainWindow::*handler)());
    void init_action();

    const std::shared_ptr<Model::Workspace>& get_ws() const { return m_ws; }
    const std::shared_ptr<Ctrl::Context>& get_context() const { return m_context; }
    Canvas& get_canvas() { return *m_canvas; }
    CommandBar& get_command_bar() { return *m_command_bar; }
    MenuBar& get_menu_bar() { return *m_menu_bar; }
    ToolBar& get_tool_bar() { return *m_tool_bar; }
    void set_dialog_runner(DialogRunner runner) { m_run_dialog = std::move(runner); }

  private:
    void build();
    void build_disk_bar();
    int run_dialog(Gtk::Dialog& dialog);
    // Leaves any in-class editing and the command line for the cell mode,
    // so a new document starts where a fresh window does.
    void return_to_cell_mode();

    // Destroyed in reverse order: the bars hold the context, the command
    // bar's controller and the context refer to the canvas, so each goes
    // before what it refers to.
    std::shared_ptr<Model::Workspace> m_ws;
    std::unique_ptr<Canvas> m_canvas;
    std::shared_ptr<Ctrl::Context> m_context;
    std::unique_ptr<CommandBar> m_command_bar;
    std::unique_ptr<MenuBar> m_menu_bar;
    std::unique_ptr<ToolBar> m_tool_bar;
    sigc::connection m_file_path_connection;
    Gtk::Grid* m_grid = nullptr;  // owned by the window
    Gtk::InfoBar m_disk_bar;
    Gtk::Label m_disk_bar_label;
    sigc::connection m_disk_bar_connection;
    DialogRunner m_run_dialog;
    Glib::RefPtr<Gtk::RecentManager> m_recent;
};

}  // namespace View

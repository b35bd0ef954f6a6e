#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gdk/gdk.h>
#include <glibmm/refptr.h>
#include <pangomm/layout.h>
#include <sigc++/connection.h>

#include "ctrl/ctrl_switcher.hpp"
#include "ctrl/binders.hpp"

namespace View {
enum class ExportFormat;
}

namespace Gtk {
class Widget;
}
namespace Model {
class Workspace;
}

namespace Ctrl {

class CommandActionMap;
class Context;
class KeyActionMap;
class Mode;
class TextEditor;

// The command line under the canvas. Inactive it shows the current mode's
// name; activated by ":" it takes the keyboard, edits a command with its own
// text editor and runs it on Return.
class CmdCtrl : public AbstractCtrl, public IKeyHandler {
  public:
    // The widget (the command bar) owns this controller; main_ctrl is owned
    // by the main window and outlives the command bar.
    static std::shared_ptr<CmdCtrl> create(std::shared_ptr<Model::Workspace> ws,
                                           Gtk::Widget& widget, Context& main_ctrl);
    ~CmdCtrl() override;
    CmdCtrl(const CmdCtrl&) = delete;
    CmdCtrl& operator=(const CmdCtrl&) = delete;

    // Painted by the command bar: the mode's name or the typed command, and
    // the prompt ":".
    Glib::RefPtr<Pango::Layout> line_layout;
    Glib::RefPtr<Pango::Layout> prompt_layout;
    // Set only while a command is typed.
    std::shared_ptr<TextEditor> text_editor;

    Glib::RefPtr<Pango::Layout> new_pango_layout();
    void update_mode(const std::shared_ptr<Mode>& mode);
    void active(bool is_active) override;
    bool key_press(GdkEventKey* event) override;
    bool exit_cmd_mode();
    // Exports the selected cells, or the default area, to file_path.
    // Returns whether the file was written.
    [[nodiscard]] bool export_image(const std::string& file_path, View::ExportFormat format);

    // Runs one command line as Return does, without closing anything.
    [[nodiscard]] bool run_command(const std::string& command);
    // The note about the last failed command, shown in place of the mode name
    // until the next key press on the canvas; empty when there is none.
    const std::string& get_message() const { return m_message; }

    // What the line takes: a command after ":", a text to find after "/",
    // or the answer to a mode's prompt.
    enum class Kind { COMMAND, FIND, PROMPT };
    Kind get_kind() const { return m_kind; }
    // The names a second Tab offers, shown after the line until the next
    // key; empty otherwise.
    const std::string& get_candidates() const { return m_candidates; }
    // Up and Down: an earlier (later) line of this session's history of the
    // same kind, in place of the typed one. False at the end of the history.
    bool recall(int step);
    // Tab: completes the file path at the end of a command line; a second
    // Tab that completes nothing more shows the candidates.
    bool complete();
    // The folder that relative paths are completed in (the current one
    // unless set).
    void set_completion_dir(const std::string& dir) { m_completion_dir = dir; }

  private:
    CmdCtrl(std::shared_ptr<Model::Workspace> ws, Gtk::Widget& widget, Context& main_ctrl);
    void init();
    void fill_key_action_map();
    void fill_command_action_map();
    void show_message(const std::string& message);
    void clear_message();

    // Runs fn on the one path a file command takes; a wrong argument count
    // or a failed fn (which says why) leaves a note "WORD: ..." for the
    // user. fn's result.
    [[nodiscard]] bool run_on_path(
        const std::vector<std::string>& args, const std::string& word,
        const std::function<bool(const std::string& path, std::string& problem)>& fn);
    bool cmd_quit(const std::vector<std::string>& args);
    bool cmd_parse(const std::vector<std::string>& args);
    bool cmd_write(const std::vector<std::string>& args);
    bool cmd_read(const std::vector<std::string>& args);
    bool cmd_export(const std::vector<std::string>& args);
    // ":w" without a path saves to the document's own file.
    bool save_document(const std::vector<std::string>& args, const std::string& word);
    bool cmd_write_quit(const std::vector<std::string>& args, const std::string& word);
    // Return: runs the command or the find, keeps the line in the history.
    bool enter();
    void on_line_changed();

    // The command bar; it owns this controller.
    Gtk::Widget& m_widget;
    std::shared_ptr<Model::Workspace> m_ws;
    // Owned by the main window, which outlives the command bar.
    Context& m_main_ctrl;
    std::unique_ptr<KeyBinder> m_key_binder;
    std::unique_ptr<KeyActionMap> m_key_action_map;
    std::unique_ptr<CommandActionMap> m_command_action_map;
    std::string m_message;
    Kind m_kind = Kind::COMMAND;
    // This session's lines, oldest first, by kind; the index of the one
    // shown (the size: the line being typed, kept in m_draft meanwhile).
    std::vector<std::string> m_history[3];
    // The open prompt's text, prefilled line and receiver.
    std::string m_prompt;
    std::string m_prompt_initial;
    std::function<void(const std::string&)> m_prompt_commit;
    size_t m_history_pos = 0;
    std::string m_draft;
    bool m_last_key_was_tab = false;
    std::string m_candidates;
    std::string m_completion_dir;
    sigc::connection m_find_connection;
    sigc::connection m_prompt_connection;
    sigc::connection m_update_mode_connection;
    sigc::connection m_editor_update_connection;
    sigc::connection m_canvas_event_connection;
    sigc::connection m_message_connection;
};

}  // namespace Ctrl

#include "ctrl/cmd_ctrl.hpp"

#include <optional>

#include <glibmm/miscutils.h>

#include <gtkmm/widget.h>
#include <gtkmm/window.h>
#include <pangomm/fontdescription.h>

#include "common/log.hpp"
#include "ctrl/command_action_map.hpp"
#include "ctrl/context.hpp"
#include "ctrl/document_file.hpp"
#include "ctrl/path_completion.hpp"
#include "ctrl/key_action_map.hpp"
#include "ctrl/modes/mode.hpp"
#include "ctrl/text_editor.hpp"
#include "model/workspace.hpp"
#include "render/exporting_canvas.hpp"

namespace Ctrl {

namespace {

constexpr const char* FONT = "Sans 16px";

}  // namespace

std::shared_ptr<CmdCtrl> CmdCtrl::create(std::shared_ptr<Model::Workspace> ws, Gtk::Widget& widget,
                                         Context& main_ctrl) {
    std::shared_ptr<CmdCtrl> ctrl(new CmdCtrl(std::move(ws), widget, main_ctrl));
    ctrl->init();
    return ctrl;
}

CmdCtrl::CmdCtrl(std::shared_ptr<Model::Workspace> ws, Gtk::Widget& widget, Context& main_ctrl)
    : m_widget(widget), m_ws(std::move(ws)), m_main_ctrl(main_ctrl) {
    if (!m_ws) {
        LX_CRITICAL("CmdCtrl: assertion 'ws != NULL' failed");
    }
}

void CmdCtrl::init() {
    m_key_binder = std::make_unique<KeyBinder>(m_widget, *this);
    line_layout = new_pango_layout();
    // A mode change, by key or by mouse, always shows the new mode: any
    // note about an earlier command is over.
    m_update_mode_connection =
        m_main_ctrl.signal_update_mode().connect([this](const std::shared_ptr<Mode>& mode) {
            m_message.clear();
            update_mode(mode);
        });
    m_find_connection = m_main_ctrl.signal_find().connect([this] {
        m_kind = Kind::FIND;
        CtrlSwitcher::switch_to_cmd_ctrl();
    });
    m_prompt_connection = m_main_ctrl.signal_prompt().connect(
        [this](const std::string& prompt, const std::string& initial,
               const Context::PromptCommit& on_commit) {
            m_kind = Kind::PROMPT;
            m_prompt = prompt;
            m_prompt_initial = initial;
            m_prompt_commit = on_commit;
            CtrlSwitcher::switch_to_cmd_ctrl();
        });
    update_mode(m_main_ctrl.get_now_mode());
    prompt_layout = new_pango_layout();
    prompt_layout->set_text(":");
    fill_key_action_map();
    fill_command_action_map();
    m_message_connection = m_main_ctrl.signal_message().connect(
        [this](const std::string& message) { show_message(message); });
    // A failure note stays up until the user goes on typing in the canvas.
    m_canvas_event_connection = m_main_ctrl.get_canvas_widget().signal_event().connect(
        [this](GdkEvent* event) {
            if (event != nullptr && event->type == GDK_KEY_PRESS && !m_message.empty()) {
                clear_message();
            }
            return false;
        },
        false);
}

CmdCtrl::~CmdCtrl() {
    m_update_mode_connection.disconnect();
    m_editor_update_connection.disconnect();
    m_canvas_event_connection.disconnect();
    m_message_connection.disconnect();
    m_find_connection.disconnect();
    m_prompt_connection.disconnect();
    text_editor.reset();
    m_key_binder.reset();
}

Glib::RefPtr<Pango::Layout> CmdCtrl::new_pango_layout() {
    auto layout = m_widget.create_pango_layout("");
    layout->set_font_description(Pango::FontDescription(FONT));
    return layout;
}

void CmdCtrl::update_mode(const std::shared_ptr<Mode>& mode) {
    if (line_layout) {
        if (!m_message.empty()) {
            line_layout->set_text(m_message);
        } else if (mode) {
            line_layout->set_text(mode->get_name());
        }
    }
    m_widget.queue_draw();
}

void CmdCtrl::active(bool is_active) {
    AbstractCtrl::active(is_active);
    LX_DEBUG("active cmd ctrl %s", is_active ? "true" : "false");
    if (is_active) {
        m_message.clear();
        prompt_layout->set_text(m_kind == Kind::FIND     ? "/"
                                : m_kind == Kind::PROMPT ? m_prompt
                                                         : ":");
        m_history_pos = m_history[static_cast<int>(m_kind)].size();
        m_draft.clear();
        m_candidates.clear();
        m_last_key_was_tab = false;
        m_widget.grab_focus();
        line_layout->set_text("");
        m_editor_update_connection.disconnect();
        text_editor = std::make_shared<TextEditor>(m_widget, line_layout, 0);
        m_editor_update_connection =
            text_editor->signal_update().connect([this](const std::optional<std::string>&, int) {
                Pango::AttrList empty;
                line_layout->set_attributes(empty);
                on_line_changed();
                m_widget.queue_draw();
            });
        if (m_kind == Kind::PROMPT) {
            text_editor->replace_all(m_prompt_initial);
        }
    } else {
        m_editor_update_connection.disconnect();
        text_editor.reset();
        if (m_kind == Kind::FIND) {
            // Abandoned: the view goes back to where the find began.
            m_main_ctrl.end_find_preview(true);
        }
        m_kind = Kind::COMMAND;
        m_prompt_commit = nullptr;
        m_candidates.clear();
        prompt_layout->set_text(":");
        update_mode(m_main_ctrl.get_now_mode());
    }
}

bool CmdCtrl::key_press(GdkEventKey* event) {
    LX_RETURN_VAL_IF_FAIL(event != nullptr, false);
    const bool is_tab = event->keyval == GDK_KEY_Tab || event->keyval == GDK_KEY_ISO_Left_Tab;
    if (!is_tab) {
        m_last_key_was_tab = false;
        if (!m_candidates.empty()) {
            m_candidates.clear();
            m_widget.queue_draw();
        }
    }
    return m_key_action_map->action(event);
}

void CmdCtrl::on_line_changed() {
    if (m_kind == Kind::FIND && text_editor) {
        static_cast<void>(m_main_ctrl.preview_find(line_layout->get_text()));
    }
}

bool CmdCtrl::recall(int step) {
    if (!text_editor) {
        return false;
    }
    const auto& history = m_history[static_cast<int>(m_kind)];
    const long pos = static_cast<long>(m_history_pos) + step;
    if (pos < 0 || pos > static_cast<long>(history.size())) {
        return false;
    }
    if (m_history_pos == history.size()) {
        m_draft = line_layout->get_text();
    }
    m_history_pos = static_cast<size_t>(pos);
    text_editor->replace_all(m_history_pos == history.size() ? m_draft : history[m_history_pos]);
    return true;
}

bool CmdCtrl::complete() {
    if (!text_editor || m_kind != Kind::COMMAND) {
        return true;
    }
    const std::string line = line_layout->get_text();
    // Only a path after the command word is completed.
    const size_t gap = line.find_last_of(" \t");
    if (gap == std::string::npos || line.find_first_not_of(" \t") > gap) {
        return true;
    }
    const std::string dir = m_completion_dir.empty() ? Glib::get_current_dir() : m_completion_dir;
    const PathCompletion done = complete_path(line.substr(gap + 1), dir);
    const std::string completed = line.substr(0, gap + 1) + done.completed;
    if (completed != line) {
        m_candidates.clear();
        text_editor->replace_all(completed);
        m_last_key_was_tab = true;
        return true;
    }
    if (m_last_key_was_tab) {
        m_candidates.clear();
        for (const auto& c : done.candidates) {
            m_candidates += (m_candidates.empty() ? "" : "  ") + c;
        }
        if (done.candidates.empty()) {
            m_candidates = "(no match)";
        }
        m_widget.queue_draw();
    }
    m_last_key_was_tab = true;
    return true;
}

bool CmdCtrl::enter() {
    const std::string text = line_layout->get_text();
    auto& history = m_history[static_cast<int>(m_kind)];
    if (!text.empty() && (history.empty() || history.back() != text)) {
        history.push_back(text);
    }
    if (m_kind == Kind::PROMPT) {
        // Taken first: the receiver may change modes, which may close this
        // line before it returns.
        auto commit = std::move(m_prompt_commit);
        m_prompt_commit = nullptr;
        exit_cmd_mode();
        if (commit) {
            commit(text);
        }
        return true;
    }
    if (m_kind == Kind::FIND) {
        m_main_ctrl.end_find_preview(false);
        // No match leaves its note on the bar.
        static_cast<void>(m_main_ctrl.find(text, true));
    } else {
        // A failed command leaves its note on the bar.
        static_cast<void>(run_command(text));
    }
    exit_cmd_mode();
    return true;
}

bool CmdCtrl::exit_cmd_mode() {
    CtrlSwitcher::switch_to_edit_ctrl();
    return true;
}

bool CmdCtrl::export_image(const std::string& file_path, View::ExportFormat format) {
    bool ok = false;
    m_main_ctrl.with_document_layout([&] {
        auto canvas =
            View::ExportingCnavas::new_for_selection(m_ws, m_main_ctrl.get_selected_range());
        ok = canvas != nullptr && canvas->export_(file_path, format);
    });
    return ok;
}

bool CmdCtrl::run_command(const std::string& command) {
    return m_command_action_map->action(command);
}

void CmdCtrl::fill_key_action_map() {
    m_key_action_map = std::make_unique<KeyActionMap>();
    auto exit = ActionWrapper::create([this] { return exit_cmd_mode(); });
    m_key_action_map->set("<Esc>", exit);
    m_key_action_map->set("<C-[>", exit);
    m_key_action_map->set("<Left>", [this] { return text_editor && text_editor->move_char(-1); });
    m_key_action_map->set("<Right>", [this] { return text_editor && text_editor->move_char(1); });
    m_key_action_map->set("<Del>", [this] { return text_editor && text_editor->del(); });
    m_key_action_map->set("<BS>", [this] {
        if (line_layout->get_text().empty()) {
            return exit_cmd_mode();
        }
        return text_editor && text_editor->bs();
    });
    m_key_action_map->set("<CR>", [this] { return enter(); });
    m_key_action_map->set("<Up>", [this] { return recall(-1) || true; });
    m_key_action_map->set("<Down>", [this] { return recall(1) || true; });
    m_key_action_map->set("<Tab>", [this] { return complete(); });
}

void CmdCtrl::fill_command_action_map() {
    m_command_action_map = std::make_unique<CommandActionMap>();
    m_command_action_map->set("q", [this](const auto& args) { return cmd_quit(args); });
    m_command_action_map->set("parse", [this](const auto& args) { return cmd_parse(args); });
    m_command_action_map->set("w", [this](const auto& args) { return cmd_write(args); });
    m_command_action_map->set("r", [this](const auto& args) { return cmd_read(args); });
    m_command_action_map->set("xp", [this](const auto& args) { return cmd_export(args); });
    m_command_action_map->set("wq",
                              [this](const auto& args) { return cmd_write_quit(args, "wq"); });
    m_command_action_map->set("x", [this](const auto& args) { return cmd_write_quit(args, "x"); });
}

bool CmdCtrl::cmd_quit(const std::vector<std::string>&) {
    LX_DEBUG("command q called");
    auto* window = dynamic_cast<Gtk::Window*>(m_widget.get_toplevel());
    if (window == nullptr || !window->get_is_toplevel()) {
        return false;
    }
    // Closing does not ask about unsaved changes; hiding the last window
    // ends the application, which releases it.
    window->hide();
    return true;
}

bool CmdCtrl::cmd_parse(const std::vector<std::string>& args) {
    LX_DEBUG("parse result:");
    for (size_t i = 0; i < args.size(); ++i) {
        LX_DEBUG("  [%d]:%s", static_cast<int>(i), args[i].c_str());
    }
    LX_DEBUG("----------");
    return true;
}

bool CmdCtrl::run_on_path(const std::vector<std::string>& args, const std::string& word,
                          const std::function<bool(const std::string&, std::string&)>& fn) {
    LX_DEBUG("command %s called", word.c_str());
    if (args.size() != 1) {
        show_message(word + ": give one file path");
        return false;
    }
    std::string problem;
    if (!fn(args[0], problem)) {
        show_message(word + ": " + problem);
        return false;
    }
    return true;
}

bool CmdCtrl::cmd_write(const std::vector<std::string>& args) {
    return save_document(args, "w");
}

bool CmdCtrl::save_document(const std::vector<std::string>& args, const std::string& word) {
    auto save = [this](const std::string& path, std::string& problem) {
        return m_main_ctrl.get_document().save(path, problem);
    };
    if (!args.empty()) {
        return run_on_path(args, word, save);
    }
    LX_DEBUG("command %s called", word.c_str());
    if (!m_ws || m_ws->get_file_path().empty()) {
        show_message(word + ": the document has no file yet; give one: :" + word + " FILE");
        return false;
    }
    std::string problem;
    if (!save(std::string(), problem)) {
        show_message(word + ": " + problem);
        return false;
    }
    return true;
}

bool CmdCtrl::cmd_write_quit(const std::vector<std::string>& args, const std::string& word) {
    // A failed save keeps the window, and the document, open.
    if (!save_document(args, word)) {
        return false;
    }
    return cmd_quit({});
}

bool CmdCtrl::cmd_read(const std::vector<std::string>& args) {
    // Nobody is asked about unsaved changes here; they are kept aside.
    return run_on_path(args, "r", [this](const std::string& path, std::string& problem) {
        return m_main_ctrl.get_document().load(path, problem, DocumentFile::Unsaved::SET_ASIDE);
    });
}

bool CmdCtrl::cmd_export(const std::vector<std::string>& args) {
    LX_DEBUG("command xp called");
    if (args.size() != 1) {
        show_message("xp: give one file path");
        return false;
    }
    // The name says the format; anything else is refused rather than
    // written as a PNG under a name that promises otherwise.
    std::optional<View::ExportFormat> format = View::export_format_for_path(args[0]);
    if (!format) {
        show_message("xp: the file name must end in .png, .svg or .pdf");
        return false;
    }
    if (!export_image(args[0], *format)) {
        show_message("xp: cannot write " + args[0]);
        return false;
    }
    return true;
}

void CmdCtrl::show_message(const std::string& message) {
    LX_DEBUG("%s", message.c_str());
    m_message = message;
    // While a command runs the line shows it once the command line closes.
    if (!get_is_active()) {
        update_mode(m_main_ctrl.get_now_mode());
    }
}

void CmdCtrl::clear_message() {
    m_message.clear();
    update_mode(m_main_ctrl.get_now_mode());
}

}  // namespace Ctrl

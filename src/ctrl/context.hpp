#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <typeindex>
#include <unordered_map>

#include <sigc++/connection.h>
#include <sigc++/signal.h>

#include "common/cell_pos.hpp"
#include "common/cell_range.hpp"
#include "common/directions.hpp"
#include "common/point.hpp"
#include "ctrl/action_processor.hpp"
#include "ctrl/binders.hpp"
#include "ctrl/ctrl_switcher.hpp"
#include "ctrl/named_action_handler.hpp"

namespace Gtk {
class Widget;
}
namespace Model {
class ClassElement;
class Workspace;
}  // namespace Model
namespace View {
class Canvas;
}

namespace Ctrl {

class ClassClipboard;
class DocumentFile;
class Mode;
class NameActionMap;

// The hub of editing: holds the workspace and the canvas that shows it, owns
// every mode and knows the current one, owns the cell cursor and the
// selected range, runs edits through the action processor, and hands the
// canvas's keyboard and mouse to the current mode.
//
// The context alone talks to the canvas: it shows the cursor and the
// selection when they change, and queues a redraw after every mode change
// and after every event or named action the current mode handled, so modes
// change what they show without asking for a redraw themselves.
class Context : public AbstractCtrl,
                public INamedActionHandler,
                public IKeyHandler,
                public IMouseHandler {
  public:
    // The canvas is owned by the main window, which destroys the context
    // before the canvas.
    Context(std::shared_ptr<Model::Workspace> ws, View::Canvas& canvas);
    ~Context() override;
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    View::Canvas& get_canvas() const { return m_canvas; }
    // The canvas as the widget whose keys and focus the modes' text editors
    // follow.
    Gtk::Widget& get_canvas_widget() const;
    const std::shared_ptr<Model::Workspace>& get_ws() const { return m_ws; }
    // The workspace's file: every load and save goes through it.
    DocumentFile& get_document() const { return *m_document; }

    // The desktop clipboard as far as copied classes go.
    ClassClipboard& get_clipboard() const { return *m_clipboard; }

    // A note for the user about something refused or failed; the command
    // bar shows it until the next key.
    void show_message(const std::string& message) { m_signal_message.emit(message); }
    sigc::signal<void(const std::string&)>& signal_message() { return m_signal_message; }

    // One instance of each mode, by its type.
    std::unordered_map<std::type_index, std::shared_ptr<Mode>> modes;
    std::unique_ptr<ActionProcessor> action_processor;

    template <class T>
    std::shared_ptr<T> get_mode() const {
        auto it = modes.find(std::type_index(typeid(T)));
        return it == modes.end() ? nullptr : std::static_pointer_cast<T>(it->second);
    }

    // ---- the cell cursor and the selection ---------------------------------
    const CellPos& get_cell_pos() const { return m_cell_pos; }
    // Moves the cursor; the canvas shows it, scrolled into view.
    void set_cell_pos(const CellPos& pos);
    // One cell towards dir, clamped to the grid's range.
    void move_cell_pos(MovingDir dir);
    // The selected cells; set only while the select-cell mode is current.
    const std::optional<CellRange>& get_selected_range() const { return m_selected_range; }
    // Records the range and shows it, or with show false only records it (a
    // selection is shown from its first change on). std::nullopt clears it.
    void set_selected_range(const std::optional<CellRange>& range, bool show = true);
    // The class under the cursor, or null.
    std::shared_ptr<Model::ClassElement> class_at_cursor() const;
    // Queues a redraw of the canvas.
    void queue_redraw();
    // Runs fn with the layout the document alone gives: a text being edited
    // is measured as it is saved (its caret's room set aside) meanwhile, so
    // an export shows what a fresh load would.
    void with_document_layout(const std::function<void()>& fn);

    // Focuses the canvas when activated.
    void active(bool is_active) override;

    // ---- the view ---------------------------------------------------------
    // Zoom a step in or out, back to 100 %, or to show the whole diagram;
    // the cell cursor stays in view. Nothing of the document changes.
    bool zoom_in();
    bool zoom_out();
    bool zoom_normal();
    bool zoom_fit();

    // ---- finding classes by their texts --------------------------------------
    // "/": asks the command line to take the text to find.
    void open_find() { m_signal_find.emit(); }
    sigc::signal<void()>& signal_find() { return m_signal_find; }

    // Asks the command line for one line of text after prompt, prefilled
    // with initial. Return hands the text to on_commit; Escape drops it.
    using PromptCommit = std::function<void(const std::string& text)>;
    void open_prompt(const std::string& prompt, const std::string& initial,
                     PromptCommit on_commit) {
        m_signal_prompt.emit(prompt, initial, on_commit);
    }
    sigc::signal<void(const std::string&, const std::string&, PromptCommit)>& signal_prompt() {
        return m_signal_prompt;
    }
    // Highlights the class that find(text, true) would go to and scrolls it
    // into view; the cursor stays. No match (or no text) shows nothing.
    std::optional<CellPos> preview_find(const std::string& text);
    // Takes the highlight away; with restore_view the view goes back to
    // where it was before the first preview.
    void end_find_preview(bool restore_view);
    // Moves the cursor to the next class (backwards: previous) whose texts
    // contain text, wrapping at the ends, and remembers text for
    // find_again. Without a match the cursor stays and the bar says
    // "not found: TEXT".
    bool find(const std::string& text, bool forward);
    // "n" and "N": find with the text of the last find.
    bool find_again(bool forward);

    // Canvas point -> workspace pixels (through the view offset and zoom); changes
    // pt and returns it.
    Point& translate_pt_wnd_to_ws(Point& pt) const;
    // Canvas point -> pixels relative to the top-left corner of the cursor
    // cell; changes pt and returns it.
    Point& translate_pt_wnd_to_cell(Point& pt) const;
    // The cell under a canvas point.
    CellPos point_to_cell_pos(const Point& pt) const;

    // The canvas's keys and mouse events, handed to the current mode.
    bool key_press(GdkEventKey* event) override;
    bool key_release(GdkEventKey* event) override;
    bool button_press_event(GdkEventButton* event) override;
    bool button_release_event(GdkEventButton* event) override;
    bool motion_notify_event(GdkEventMotion* event) override;

    // The context's own names, then the current mode's.
    NameSet enum_actionable_name() override;
    bool action(const std::string& name) override;
    // Activates the window action `name` without a parameter; false when the
    // canvas's window is not an application window or has no such action.
    [[nodiscard]] bool app_action(const std::string& name);

    // "now-mode"
    const std::shared_ptr<Mode>& get_now_mode() const { return m_now_mode; }
    // Switches to `mode` unless it refuses to be entered; "now-mode" is
    // notified in both cases.
    void set_now_mode(const std::shared_ptr<Mode>& mode);
    sigc::signal<void()>& signal_now_mode_changed() { return m_signal_now_mode_changed; }
    // "update-mode": after every effective mode change, with the new mode.
    sigc::signal<void(const std::shared_ptr<Mode>&)>& signal_update_mode() {
        return m_signal_update_mode;
    }

  private:
    // Runs fn on the current mode (kept alive through the call, which may
    // change the mode) and redraws when it handled something.
    template <class Fn>
    bool to_now_mode(Fn fn);

    std::shared_ptr<Model::Workspace> m_ws;
    std::unique_ptr<DocumentFile> m_document;
    std::unique_ptr<ClassClipboard> m_clipboard;
    View::Canvas& m_canvas;
    CellPos m_cell_pos;
    std::optional<CellRange> m_selected_range;
    std::unique_ptr<KeyBinder> m_key_binder;
    std::unique_ptr<MouseBinder> m_mouse_binder;
    std::shared_ptr<Mode> m_now_mode;
    std::unique_ptr<NameActionMap> m_name_action_map;
    sigc::signal<void()> m_signal_now_mode_changed;
    sigc::signal<void(const std::shared_ptr<Mode>&)> m_signal_update_mode;
    sigc::signal<void(const std::string&)> m_signal_message;
    sigc::connection m_file_path_connection;
    sigc::signal<void()> m_signal_find;
    sigc::signal<void(const std::string&, const std::string&, PromptCommit)> m_signal_prompt;
    std::string m_find_text;
    // The view offset before a find preview scrolled it.
    std::optional<Point> m_find_view_before;
    sigc::connection m_clipboard_connection;
};

}  // namespace Ctrl

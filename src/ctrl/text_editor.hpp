#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gdk/gdk.h>
#include <glibmm/refptr.h>
#include <pango/pango.h>
#include <pangomm/layout.h>
#include <sigc++/connection.h>
#include <sigc++/signal.h>
#include <sigc++/trackable.h>

#include "common/point.hpp"

typedef struct _GtkIMContext GtkIMContext;

namespace Gtk {
class Widget;
}

namespace Ctrl {

// Edits the text of one Pango layout in place, fed by the key and focus
// events of a widget through an input-method context. It never writes to a
// model: every change goes out through "update", and a movement that runs
// past the start or end of the text goes out through
// "overstep-cursor-limit" so that the owner can continue it in a
// neighbouring text. Made after the widget's key binder, it only sees the
// keys the binder's handler left unconsumed. Destroying the editor
// disconnects it from the widget, so one widget outlives many editors.
class TextEditor : public sigc::trackable {
  public:
    // text is the layout's new text after an edit, or none when only the
    // cursor moved; cursor_index is the new cursor (byte index).
    using SignalUpdate =
        sigc::signal<void(const std::optional<std::string>& text, int cursor_index)>;
    // Exactly one of the two counts is non-zero: the character steps
    // (negative backwards) or line steps (negative upwards) still to go;
    // point_x is the goal column in pixels.
    using SignalOverstepCursorLimit =
        sigc::signal<void(int char_overstep, int line_overstep, int point_x)>;

    // widget: the widget whose keys and focus feed the editor; it must
    // outlive the editor or be destroyed first (the editor then goes idle).
    // layout: the edited layout. cursor_index is clamped into the text.
    TextEditor(Gtk::Widget& widget, Glib::RefPtr<Pango::Layout> layout, int cursor_index);
    ~TextEditor();
    TextEditor(const TextEditor&) = delete;
    TextEditor& operator=(const TextEditor&) = delete;

    const Glib::RefPtr<Pango::Layout>& get_layout() const { return m_layout; }
    // Byte index into the layout's text, always on a character boundary.
    int get_cursor_index() const { return m_cursor_index; }
    // Where the current preedit string is inserted.
    int get_preedit_pos() const { return m_preedit_pos; }
    // The input method's attributes of the current preedit, or null.
    PangoAttrList* get_preedit_attrs() const { return m_preedit_attrs; }
    bool is_preediting() const { return m_is_preediting; }
    int get_cursor_point_x() const { return m_cursor_point_x; }

    // The goal column becomes the x of the cursor, in pixels.
    void update_cursor_point_x();
    // Moves n characters (negative backwards). Always true.
    bool move_char(int n);
    // Moves n displayed lines keeping the goal column. False, with
    // "overstep-cursor-limit" carrying the full n, when no such line exists.
    bool move_line(int n);
    // Puts the cursor at the character under pt (layout pixels); the right
    // half of a character puts it after the character. Always true.
    bool move_cursor_at_xy(const Point& pt);
    // Continues, in this text, a movement that overstepped a neighbouring
    // text: entering counts as the first step, and the goal column carries.
    void take_over_cursor(int char_overstep, int line_overstep, int point_x);
    // Deletes the character after / before the cursor; nothing at the edge.
    bool del();
    // Replaces the whole text and puts the cursor at its end: a command line
    // recalled from the history or completed.
    void replace_all(const std::string& text);
    bool bs();
    // Deletes the line ("\n"-separated) with the cursor and one of the line
    // feeds around it.
    bool del_line();
    // Inserts "\n" at the cursor, as if the input method committed it.
    bool new_line();
    // Inserts committed text at the cursor, dropping any preedit first.
    void commit(const char* str);

    // Shows pre_str at the place where composition began, replacing any
    // earlier preedit; cursor_pos counts characters into pre_str.
    void start_preedit(const char* pre_str, PangoAttrList* preedit_attrs, int cursor_pos);
    // Restores the text from before the composition.
    void cancel_preedit();

    // While false, keys bypass the input method (normal and visual modes).
    bool get_can_edit() const { return m_can_edit; }
    void set_can_edit(bool value);

    SignalUpdate& signal_update() { return m_signal_update; }
    SignalOverstepCursorLimit& signal_overstep_cursor_limit() {
        return m_signal_overstep_cursor_limit;
    }

    // Widget callbacks, public so that tests can drive them without a real
    // keyboard.
    bool key_press_cb(GdkEventKey* event);
    bool key_release_cb(GdkEventKey* event);

  private:
    std::string get_text() const;
    void set_text(const std::string& text);
    // Keeps the cursor inside the text and on a character boundary, in case
    // the layout's text was changed behind the editor's back.
    void fit_cursor();
    // Cursor to x (the goal column) on displayed line `line`.
    void set_cursor_on_line(int line, int x);
    void emit_update_cursor();
    void emit_update_text();
    void emit_overstep(int chars, int lines);

    void realize_cb();
    void unrealize_cb();
    bool focus_in_cb(GdkEventFocus* event);
    bool focus_out_cb(GdkEventFocus* event);
    static void on_im_commit(GtkIMContext* im, const char* str, gpointer self);
    static void on_im_preedit(GtkIMContext* im, gpointer self);
    void preedit_cb();
    static void* on_widget_destroyed(void* self);

    // Not owned: the widget belongs to its window. Cleared when it dies.
    Gtk::Widget* m_widget;
    Glib::RefPtr<Pango::Layout> m_layout;
    struct GObjectUnref {
        void operator()(void* object) const;
    };
    std::unique_ptr<GtkIMContext, GObjectUnref> m_im_context;
    int m_cursor_index = 0;
    int m_preedit_pos = 0;
    PangoAttrList* m_preedit_attrs = nullptr;  // owned reference
    bool m_is_preediting = false;
    std::string m_base_text;
    int m_cursor_point_x = 0;
    bool m_can_edit = true;
    std::vector<sigc::connection> m_widget_conns;
    std::vector<gulong> m_im_handlers;
    // Shared with a running key_press_cb, which can outlive this editor when
    // a drained event (or an input-method callback) destroys it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    SignalUpdate m_signal_update;
    SignalOverstepCursorLimit m_signal_overstep_cursor_limit;
};

}  // namespace Ctrl

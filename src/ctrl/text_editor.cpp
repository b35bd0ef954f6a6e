#include "ctrl/text_editor.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

#include <gtk/gtk.h>
#include <gtkmm/widget.h>

#include "common/log.hpp"
#include "common/text_range.hpp"
#include "ctrl/input_queue.hpp"

namespace Ctrl {

namespace {

bool is_line_feed_at(const std::string& text, int i) {
    const gunichar c =
        g_utf8_get_char_validated(text.data() + i, static_cast<gssize>(text.size()) - i);
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
        return false;
    }
    return g_unichar_break_type(c) == G_UNICODE_BREAK_LINE_FEED;
}

// The index Pango's hit test means: `trailing` characters after index.
int index_after_trailing(const std::string& text, int index, int trailing) {
    for (; trailing > 0 && step_char_forward(text, index); --trailing) {
    }
    return index;
}

// Pixels to Pango units, saturating so that a huge coordinate stays defined.
int to_pango_units(double px) {
    const double v = std::trunc(px * PANGO_SCALE);
    if (!(v > INT_MIN)) {
        return INT_MIN;
    }
    if (v >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    return static_cast<int>(v);
}

}  // namespace

void TextEditor::GObjectUnref::operator()(void* object) const {
    g_object_unref(object);
}

TextEditor::TextEditor(Gtk::Widget& widget, Glib::RefPtr<Pango::Layout> layout, int cursor_index)
    : m_widget(&widget), m_layout(std::move(layout)), m_cursor_index(cursor_index) {
    if (!m_layout) {
        LX_CRITICAL("TextEditor: assertion 'layout != NULL' failed");
        m_layout = widget.create_pango_layout("");
    }
    fit_cursor();
    update_cursor_point_x();

    widget.add_destroy_notify_callback(this, &TextEditor::on_widget_destroyed);
    widget.add_events(Gdk::KEY_PRESS_MASK | Gdk::KEY_RELEASE_MASK | Gdk::FOCUS_CHANGE_MASK);
    widget.set_can_focus(true);
    m_widget_conns.push_back(
        widget.signal_realize().connect(sigc::mem_fun(*this, &TextEditor::realize_cb)));
    m_widget_conns.push_back(
        widget.signal_unrealize().connect(sigc::mem_fun(*this, &TextEditor::unrealize_cb)));
    m_widget_conns.push_back(
        widget.signal_focus_in_event().connect(sigc::mem_fun(*this, &TextEditor::focus_in_cb)));
    m_widget_conns.push_back(
        widget.signal_focus_out_event().connect(sigc::mem_fun(*this, &TextEditor::focus_out_cb)));
    // Before the class handler like the key binder, but connected after it,
    // so the binder's handler sees every key first.
    m_widget_conns.push_back(widget.signal_key_press_event().connect(
        sigc::mem_fun(*this, &TextEditor::key_press_cb), false));
    m_widget_conns.push_back(widget.signal_key_release_event().connect(
        sigc::mem_fun(*this, &TextEditor::key_release_cb), false));

    // gtkmm 3 wraps no input-method context; the C object is held by a
    // unique_ptr that drops the reference.
    m_im_context.reset(gtk_im_multicontext_new());
    GtkIMContext* im = m_im_context.get();
    m_im_handlers.push_back(
        g_signal_connect(im, "commit", G_CALLBACK(&TextEditor::on_im_commit), this));
    for (const char* name : {"preedit-start", "preedit-changed", "preedit-end"}) {
        m_im_handlers.push_back(
            g_signal_connect(im, name, G_CALLBACK(&TextEditor::on_im_preedit), this));
    }
    gtk_im_context_set_client_window(im, gtk_widget_get_window(widget.gobj()));
    if (widget.has_focus()) {
        gtk_im_context_focus_in(im);
    }
}

TextEditor::~TextEditor() {
    *m_alive = false;
    for (auto& conn : m_widget_conns) {
        conn.disconnect();
    }
    if (m_widget != nullptr) {
        m_widget->remove_destroy_notify_callback(this);
    }
    for (gulong id : m_im_handlers) {
        g_signal_handler_disconnect(m_im_context.get(), id);
    }
    gtk_im_context_set_client_window(m_im_context.get(), nullptr);
    if (m_preedit_attrs != nullptr) {
        pango_attr_list_unref(m_preedit_attrs);
    }
}

void* TextEditor::on_widget_destroyed(void* self) {
    static_cast<TextEditor*>(self)->m_widget = nullptr;
    return nullptr;
}

std::string TextEditor::get_text() const {
    const char* text = pango_layout_get_text(m_layout->gobj());
    return text != nullptr ? std::string(text) : std::string();
}

void TextEditor::set_text(const std::string& text) {
    pango_layout_set_text(m_layout->gobj(), text.data(), static_cast<int>(text.size()));
}

void TextEditor::fit_cursor() {
    m_cursor_index = fit_text_index(get_text(), m_cursor_index);
}

void TextEditor::update_cursor_point_x() {
    const Pango::Rectangle pos = m_layout->index_to_pos(m_cursor_index);
    m_cursor_point_x = pos.get_x() / PANGO_SCALE;
}

// Handlers may drop the editor, and with it the signal being emitted; a
// sigc++ signal destroyed during its own emission never frees its slots.
// Emitting through a copy, which shares the slots, keeps the signal alive
// until the emission is over.
void TextEditor::emit_update_cursor() {
    SignalUpdate signal = m_signal_update;
    signal.emit(std::nullopt, m_cursor_index);
}

void TextEditor::emit_update_text() {
    SignalUpdate signal = m_signal_update;
    signal.emit(get_text(), m_cursor_index);
}

void TextEditor::emit_overstep(int chars, int lines) {
    SignalOverstepCursorLimit signal = m_signal_overstep_cursor_limit;
    signal.emit(chars, lines, m_cursor_point_x);
}

void TextEditor::set_cursor_on_line(int line, int x) {
    const auto layout_line = m_layout->get_line(line);
    if (!layout_line) {
        return;
    }
    int index = 0;
    int trailing = 0;
    layout_line->x_to_index(to_pango_units(x), index, trailing);
    m_cursor_index = index_after_trailing(get_text(), index, trailing);
}

bool TextEditor::move_char(int n) {
    fit_cursor();
    const std::string text = get_text();
    while (n != 0) {
        const bool ok = n < 0 ? step_char_backward(text, m_cursor_index)
                              : step_char_forward(text, m_cursor_index);
        if (!ok) {
            break;
        }
        n += n < 0 ? 1 : -1;
    }
    update_cursor_point_x();
    if (n != 0) {
        emit_overstep(n, 0);
    } else {
        emit_update_cursor();
    }
    return true;
}

bool TextEditor::move_line(int n) {
    fit_cursor();
    int line = 0;
    int x = 0;
    m_layout->index_to_line_x(m_cursor_index, false, line, x);
    const long target = static_cast<long>(line) + n;
    if (target < 0 || target >= m_layout->get_line_count()) {
        // The full request goes out: the owner restarts it in the neighbour.
        emit_overstep(0, n);
        return false;
    }
    set_cursor_on_line(static_cast<int>(target), m_cursor_point_x);
    emit_update_cursor();
    return true;
}

bool TextEditor::move_cursor_at_xy(const Point& pt) {
    int index = 0;
    int trailing = 0;
    m_layout->xy_to_index(to_pango_units(pt.x), to_pango_units(pt.y), index, trailing);
    m_cursor_index = index_after_trailing(get_text(), index, trailing);
    update_cursor_point_x();
    emit_update_cursor();
    return true;
}

void TextEditor::take_over_cursor(int char_overstep, int line_overstep, int point_x) {
    m_cursor_point_x = point_x;
    const int end = static_cast<int>(get_text().size());
    if (char_overstep < 0) {
        m_cursor_index = end;
        move_char(char_overstep + 1);
    } else if (char_overstep > 0) {
        m_cursor_index = 0;
        move_char(char_overstep - 1);
    }
    if (line_overstep < 0) {
        m_cursor_index = end;
        move_line(line_overstep + 1);
    } else if (line_overstep > 0) {
        m_cursor_index = 0;
        move_line(line_overstep - 1);
    }
}

void TextEditor::replace_all(const std::string& text) {
    if (m_is_preediting) {
        cancel_preedit();
    }
    set_text(text);
    m_cursor_index = static_cast<int>(text.size());
    fit_cursor();
    update_cursor_point_x();
    emit_update_text();
}

bool TextEditor::del() {
    fit_cursor();
    std::string text = get_text();
    int next = m_cursor_index;
    if (step_char_forward(text, next)) {
        text.erase(static_cast<size_t>(m_cursor_index), static_cast<size_t>(next - m_cursor_index));
        set_text(text);
        emit_update_text();
    }
    return true;
}

bool TextEditor::bs() {
    fit_cursor();
    std::string text = get_text();
    int prev = m_cursor_index;
    if (step_char_backward(text, prev)) {
        text.erase(static_cast<size_t>(prev), static_cast<size_t>(m_cursor_index - prev));
        set_text(text);
        m_cursor_index = prev;
        update_cursor_point_x();
        emit_update_text();
    }
    return true;
}

bool TextEditor::del_line() {
    fit_cursor();
    std::string text = get_text();
    int line = 0;
    int x = 0;
    m_layout->index_to_line_x(m_cursor_index, false, line, x);

    bool found_before = false;
    int start = m_cursor_index;
    while (step_char_backward(text, start)) {
        if (is_line_feed_at(text, start)) {
            found_before = true;
            break;
        }
    }
    if (!found_before) {
        start = 0;
    }
    // Exactly one line feed goes with the line: the one before it when there
    // is one, else the one after it.
    int end = m_cursor_index;
    bool found_after = false;
    while (static_cast<size_t>(end) < text.size()) {
        if (is_line_feed_at(text, end)) {
            found_after = true;
            break;
        }
        step_char_forward(text, end);
    }
    if (found_after && !found_before) {
        step_char_forward(text, end);
    }
    text.erase(static_cast<size_t>(start), static_cast<size_t>(end - start));
    set_text(text);

    if (line >= m_layout->get_line_count()) {
        int x_unused = 0;
        m_layout->index_to_line_x(start, false, line, x_unused);
    }
    set_cursor_on_line(line, m_cursor_point_x);
    emit_update_text();
    return true;
}

bool TextEditor::new_line() {
    commit("\n");
    return true;
}

void TextEditor::commit(const char* str) {
    LX_RETURN_IF_FAIL(str != nullptr);
    cancel_preedit();
    fit_cursor();
    std::string text = get_text();
    const std::string inserted(str);
    text.insert(static_cast<size_t>(m_cursor_index), inserted);
    set_text(text);
    m_cursor_index += static_cast<int>(inserted.size());
    update_cursor_point_x();
    emit_update_text();
}

void TextEditor::start_preedit(const char* pre_str, PangoAttrList* preedit_attrs, int cursor_pos) {
    LX_RETURN_IF_FAIL(pre_str != nullptr);
    LX_RETURN_IF_FAIL(preedit_attrs != nullptr);
    if (!m_is_preediting) {
        fit_cursor();
        m_base_text = get_text();
        m_preedit_pos = m_cursor_index;
        m_is_preediting = true;
    }
    // Always rebuilt from the base text, so each preedit replaces the last.
    std::string text = m_base_text;
    text.insert(static_cast<size_t>(m_preedit_pos), pre_str);
    set_text(text);

    pango_attr_list_ref(preedit_attrs);
    if (m_preedit_attrs != nullptr) {
        pango_attr_list_unref(m_preedit_attrs);
    }
    m_preedit_attrs = preedit_attrs;
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_splice(attrs, m_preedit_attrs, m_preedit_pos, static_cast<int>(text.size()));
    pango_layout_set_attributes(m_layout->gobj(), attrs);
    pango_attr_list_unref(attrs);

    const glong chars = g_utf8_strlen(pre_str, -1);
    const glong pos = std::clamp<glong>(cursor_pos, 0, chars);
    m_cursor_index =
        m_preedit_pos + static_cast<int>(g_utf8_offset_to_pointer(pre_str, pos) - pre_str);
    update_cursor_point_x();
}

void TextEditor::cancel_preedit() {
    if (!m_is_preediting) {
        return;
    }
    set_text(m_base_text);
    pango_layout_set_attributes(m_layout->gobj(), nullptr);
    if (m_preedit_attrs != nullptr) {
        pango_attr_list_unref(m_preedit_attrs);
        m_preedit_attrs = nullptr;
    }
    m_cursor_index = m_preedit_pos;
    update_cursor_point_x();
    m_is_preediting = false;
}

void TextEditor::set_can_edit(bool value) {
    m_can_edit = value;
    if (!value) {
        gtk_im_context_focus_out(m_im_context.get());
    } else if (m_widget != nullptr && m_widget->has_focus()) {
        gtk_im_context_focus_in(m_im_context.get());
    }
}

bool TextEditor::key_press_cb(GdkEventKey* event) {
    const auto alive = m_alive;
    InputQueue::get().drain();
    if (!*alive || !m_can_edit) {
        return false;
    }
    // A commit can lead the owner to drop this editor while the input method
    // is still filtering; keep the input method alive until it returns.
    GtkIMContext* im = m_im_context.get();
    g_object_ref(im);
    const bool handled = gtk_im_context_filter_keypress(im, event);
    g_object_unref(im);
    return handled;
}

bool TextEditor::key_release_cb(GdkEventKey* event) {
    if (!m_can_edit) {
        return false;
    }
    return gtk_im_context_filter_keypress(m_im_context.get(), event);
}

void TextEditor::realize_cb() {
    if (m_widget != nullptr) {
        gtk_im_context_set_client_window(m_im_context.get(),
                                         gtk_widget_get_window(m_widget->gobj()));
    }
}

void TextEditor::unrealize_cb() {
    // The widget's window is about to go; the input method must not keep it.
    gtk_im_context_set_client_window(m_im_context.get(), nullptr);
}

bool TextEditor::focus_in_cb(GdkEventFocus* /*event*/) {
    if (m_can_edit) {
        gtk_im_context_focus_in(m_im_context.get());
    }
    return true;
}

bool TextEditor::focus_out_cb(GdkEventFocus* /*event*/) {
    if (m_can_edit) {
        gtk_im_context_focus_out(m_im_context.get());
    }
    return true;
}

void TextEditor::on_im_commit(GtkIMContext* /*im*/, const char* str, gpointer self) {
    static_cast<TextEditor*>(self)->commit(str);
}

void TextEditor::on_im_preedit(GtkIMContext* /*im*/, gpointer self) {
    static_cast<TextEditor*>(self)->preedit_cb();
}

void TextEditor::preedit_cb() {
    char* str = nullptr;
    PangoAttrList* attrs = nullptr;
    int cursor_pos = 0;
    gtk_im_context_get_preedit_string(m_im_context.get(), &str, &attrs, &cursor_pos);
    if (str != nullptr && *str != '\0' && attrs != nullptr) {
        start_preedit(str, attrs, cursor_pos);
    } else {
        cancel_preedit();
    }
    g_free(str);
    if (attrs != nullptr) {
        pango_attr_list_unref(attrs);
    }
    emit_update_text();
}

}  // namespace Ctrl

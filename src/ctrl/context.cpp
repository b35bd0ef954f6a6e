#include "ctrl/context.hpp"

#include <gtkmm/applicationwindow.h>

#include "common/log.hpp"
#include "ctrl/class_clipboard.hpp"
#include "ctrl/document_file.hpp"
#include "ctrl/find.hpp"
#include "ctrl/key_action_map.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "ctrl/modes/connect_mode.hpp"
#include "ctrl/modes/in_class_modes.hpp"
#include "ctrl/modes/mode.hpp"
#include "ctrl/modes/select_cell_mode.hpp"
#include "ctrl/modes/select_connector_mode.hpp"
#include "ctrl/name_action_map.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "view/canvas.hpp"
#include "view/zoom.hpp"

namespace Ctrl {

namespace {

template <class T>
void add_mode(Context& ctx) {
    ctx.modes.emplace(std::type_index(typeid(T)), std::make_shared<T>(ctx));
}

}  // namespace

Context::Context(std::shared_ptr<Model::Workspace> ws, View::Canvas& canvas)
    : m_ws(std::move(ws)),
      m_document(std::make_unique<DocumentFile>(m_ws)),
      m_clipboard(std::make_unique<ClassClipboard>()),
      m_canvas(canvas) {
    if (!m_ws) {
        LX_CRITICAL("Context: assertion 'ws != NULL' failed");
    }
    add_mode<CellMode>(*this);
    add_mode<SelectCellMode>(*this);
    add_mode<SelectConnectorMode>(*this);
    add_mode<ConnectMode>(*this);
    add_mode<NormalModeInClass>(*this);
    add_mode<VisualModeInClass>(*this);
    add_mode<InsertModeNormal>(*this);
    add_mode<InsertModeDirect>(*this);

    // The first mode is current without being entered.
    m_now_mode = get_mode<CellMode>();

    m_key_binder = std::make_unique<KeyBinder>(m_canvas, *this);
    m_mouse_binder = std::make_unique<MouseBinder>(m_canvas, *this);

    m_name_action_map = std::make_unique<NameActionMap>();
    for (const char* name :
         {"new-file", "open-file", "save-file", "save-as-file", "export-png", "exit", "version"}) {
        std::string n(name);
        m_name_action_map->set(
            n, std::make_shared<ActionWrapper>([this, n] { return app_action(n); }));
    }

    // The view's own names: actionable in every mode, as they edit nothing.
    m_name_action_map->set("zoom-in",
                           std::make_shared<ActionWrapper>([this] { return zoom_in(); }));
    m_name_action_map->set("zoom-out",
                           std::make_shared<ActionWrapper>([this] { return zoom_out(); }));
    m_name_action_map->set("zoom-normal",
                           std::make_shared<ActionWrapper>([this] { return zoom_normal(); }));
    m_name_action_map->set("zoom-fit",
                           std::make_shared<ActionWrapper>([this] { return zoom_fit(); }));

    action_processor = std::make_unique<ActionProcessor>();
    // A new document or a load announces its path; the old document's
    // records must go with it.
    if (m_ws) {
        m_file_path_connection =
            m_ws->signal_file_path_changed().connect([this] { action_processor->drop_stale(); });
    }
    // Paste is offered only while the clipboard holds copied classes.
    m_clipboard_connection = m_clipboard->signal_has_fragment_changed().connect(
        [this] { signal_update_actionable_name_sig().emit(enum_actionable_name()); });
}

Context::~Context() {
    m_file_path_connection.disconnect();
    m_clipboard_connection.disconnect();
    // Binders first: no event may reach a mode that is being destroyed.
    m_key_binder.reset();
    m_mouse_binder.reset();
    m_now_mode.reset();
    modes.clear();
}

Gtk::Widget& Context::get_canvas_widget() const {
    return m_canvas;
}

void Context::set_cell_pos(const CellPos& pos) {
    m_cell_pos = pos;
    m_canvas.set_cell_pos(pos);
    queue_redraw();
}

void Context::move_cell_pos(MovingDir dir) {
    CellPos pos = m_cell_pos;
    pos.move(dir, 1);
    set_cell_pos(pos);
}

void Context::set_selected_range(const std::optional<CellRange>& range, bool show) {
    m_selected_range = range;
    if (show || !range) {
        m_canvas.set_selected_cell_range(range);
        queue_redraw();
    }
}

std::shared_ptr<Model::ClassElement> Context::class_at_cursor() const {
    if (!m_ws || !m_ws->get_element_cells()) {
        return nullptr;
    }
    return std::dynamic_pointer_cast<Model::ClassElement>(
        m_ws->get_element_cells()->get(m_cell_pos.h, m_cell_pos.v));
}

void Context::queue_redraw() {
    m_canvas.update();
}

void Context::with_document_layout(const std::function<void()>& fn) {
    auto in_class = std::dynamic_pointer_cast<AbstractModeInClass>(m_now_mode);
    if (in_class) {
        in_class->set_editing_measure(false);
    }
    fn();
    if (in_class) {
        in_class->set_editing_measure(true);
    }
}

void Context::active(bool is_active) {
    AbstractCtrl::active(is_active);
    if (is_active) {
        m_canvas.grab_focus();
    }
}

bool Context::zoom_in() {
    m_canvas.zoom_keeping_cell(View::Zoom::step_in(m_canvas.get_zoom()), m_cell_pos);
    return true;
}

bool Context::zoom_out() {
    m_canvas.zoom_keeping_cell(View::Zoom::step_out(m_canvas.get_zoom()), m_cell_pos);
    return true;
}

bool Context::zoom_normal() {
    m_canvas.zoom_keeping_cell(1.0, m_cell_pos);
    return true;
}

bool Context::zoom_fit() {
    m_canvas.zoom_to_fit(m_cell_pos);
    return true;
}

std::optional<CellPos> Context::preview_find(const std::string& text) {
    std::optional<CellPos> found;
    if (m_ws) {
        found = Find::find_class(*m_ws, text, m_cell_pos, true);
    }
    if (found) {
        if (!m_find_view_before) {
            m_find_view_before = m_canvas.get_view_offset();
        }
        m_canvas.set_selected_cell_range(CellRange(*found, *found));
        m_canvas.scroll_into_view(*found);
    } else {
        m_canvas.set_selected_cell_range(m_selected_range);
    }
    queue_redraw();
    return found;
}

void Context::end_find_preview(bool restore_view) {
    m_canvas.set_selected_cell_range(m_selected_range);
    if (restore_view && m_find_view_before) {
        m_canvas.set_view_offset(*m_find_view_before);
    }
    m_find_view_before.reset();
    queue_redraw();
}

bool Context::find(const std::string& text, bool forward) {
    if (text.empty()) {
        return false;
    }
    m_find_text = text;
    std::optional<CellPos> found;
    if (m_ws) {
        found = Find::find_class(*m_ws, text, m_cell_pos, forward);
    }
    if (!found) {
        show_message("not found: " + text);
        return false;
    }
    set_cell_pos(*found);
    return true;
}

bool Context::find_again(bool forward) {
    if (m_find_text.empty()) {
        show_message("nothing to find yet: type / and a text");
        return false;
    }
    return find(m_find_text, forward);
}

Point& Context::translate_pt_wnd_to_ws(Point& pt) const {
    pt = m_canvas.wnd_to_ws(pt);
    return pt;
}

Point& Context::translate_pt_wnd_to_cell(Point& pt) const {
    translate_pt_wnd_to_ws(pt);
    if (m_ws && m_ws->get_grid()) {
        pt.sub(m_ws->get_grid()->get_top_left_point(m_cell_pos));
    }
    return pt;
}

CellPos Context::point_to_cell_pos(const Point& pt) const {
    Point p = pt;
    translate_pt_wnd_to_ws(p);
    if (!m_ws || !m_ws->get_grid()) {
        return CellPos();
    }
    return m_ws->get_grid()->get_cell_pos_at_xy(p);
}

template <class Fn>
bool Context::to_now_mode(Fn fn) {
    const auto mode = m_now_mode;
    if (!mode || !fn(*mode)) {
        return false;
    }
    queue_redraw();
    return true;
}

bool Context::key_press(GdkEventKey* event) {
    return to_now_mode([event](Mode& m) { return m.key_press(event); });
}

bool Context::key_release(GdkEventKey* event) {
    return to_now_mode([event](Mode& m) { return m.key_release(event); });
}

bool Context::button_press_event(GdkEventButton* event) {
    return to_now_mode([event](Mode& m) { return m.button_press_event(event); });
}

bool Context::button_release_event(GdkEventButton* event) {
    return to_now_mode([event](Mode& m) { return m.button_release_event(event); });
}

bool Context::motion_notify_event(GdkEventMotion* event) {
    return to_now_mode([event](Mode& m) { return m.motion_notify_event(event); });
}

NameSet Context::enum_actionable_name() {
    auto names = m_name_action_map->enum_actionable_name();
    if (m_now_mode) {
        names.merge(m_now_mode->enum_actionable_name());
    }
    return names;
}

bool Context::action(const std::string& name) {
    if (m_name_action_map->action(name)) {
        return true;
    }
    return to_now_mode([&name](Mode& m) { return m.action(name); });
}

bool Context::app_action(const std::string& name) {
    auto* window = dynamic_cast<Gtk::ApplicationWindow*>(m_canvas.get_toplevel());
    if (window == nullptr || !window->has_action(name)) {
        return false;
    }
    // "export-png" takes a path; activating it bare makes GLib refuse with a
    // critical. The empty path is the one that asks the user for a file.
    auto action = window->lookup_action(name);
    if (action && action->get_parameter_type().gobj() != nullptr &&
        action->get_parameter_type().equal(Glib::VARIANT_TYPE_STRING)) {
        window->activate_action(name, Glib::Variant<Glib::ustring>::create(""));
    } else {
        window->activate_action(name);
    }
    return true;
}

void Context::set_now_mode(const std::shared_ptr<Mode>& mode) {
    LX_RETURN_IF_FAIL(mode != nullptr);
    if (mode->get_is_enterable()) {
        // Keep both alive across the hand-over, whatever the handlers do.
        auto old_mode = m_now_mode;
        auto new_mode = mode;
        LX_DEBUG("change %s -> %s", old_mode ? old_mode->get_name().c_str() : "NONE",
                 new_mode->get_name().c_str());
        if (old_mode) {
            old_mode->on_exit();
        }
        m_now_mode = new_mode;
        new_mode->on_enter();
        m_signal_update_mode.emit(new_mode);
        signal_update_actionable_name_sig().emit(enum_actionable_name());
        queue_redraw();
    }
    m_signal_now_mode_changed.emit();
}

}  // namespace Ctrl

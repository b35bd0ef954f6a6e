#include "ctrl/context.hpp"

#include <gtkmm/applicationwindow.h>

#include "common/log.hpp"
#include "ctrl/binders.hpp"
#include "ctrl/key_action_map.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "ctrl/modes/connect_mode.hpp"
#include "ctrl/modes/in_class_modes.hpp"
#include "ctrl/modes/mode.hpp"
#include "ctrl/modes/select_cell_mode.hpp"
#include "ctrl/modes/select_connector_mode.hpp"
#include "ctrl/name_action_map.hpp"
#include "model/grid.hpp"
#include "model/workspace.hpp"
#include "view/canvas.hpp"

namespace Ctrl {

namespace {

template <class T>
void add_mode(Context& ctx) {
    ctx.modes.emplace(std::type_index(typeid(T)), std::make_shared<T>(ctx));
}

}  // namespace

Context::Context(std::shared_ptr<Model::Workspace> ws, View::Canvas& canvas)
    : m_ws(std::move(ws)), m_canvas(canvas) {
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

    m_key_binder = std::make_shared<KeyBinder>(m_canvas, m_now_mode);
    m_mouse_binder = std::make_shared<MouseBinder>(m_canvas, m_now_mode);

    cell_pos = CellPos(0, 0);

    m_name_action_map = std::make_shared<NameActionMap>();
    for (const char* name : {"new-file", "open-file", "save-file", "save-as-file", "export-png"}) {
        std::string n(name);
        m_name_action_map->set(
            n, std::make_shared<ActionWrapper>([this, n] { return app_action(n); }));
    }

    action_processor = std::make_shared<ActionProcessor>();
    // A new document or a load announces its path; the old document's
    // records must go with it.
    if (m_ws) {
        m_file_path_connection =
            m_ws->signal_file_path_changed().connect([this] { action_processor->drop_stale(); });
    }
}

Context::~Context() {
    m_file_path_connection.disconnect();
    // Binders first: no event may reach a mode that is being destroyed.
    m_key_binder.reset();
    m_mouse_binder.reset();
    m_now_mode.reset();
    modes.clear();
}

void Context::active(bool is_active) {
    AbstractCtrl::active(is_active);
    if (is_active) {
        m_canvas.grab_focus();
    }
}

Point& Context::translate_pt_wnd_to_ws(Point& pt) const {
    return pt.sub(m_canvas.get_view_offset());
}

Point& Context::translate_pt_wnd_to_cell(Point& pt) const {
    translate_pt_wnd_to_ws(pt);
    if (m_ws && m_ws->get_grid()) {
        pt.sub(m_ws->get_grid()->get_top_left_point(cell_pos));
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

void Context::update_layout(const CellPos& pos) {
    if (m_ws) {
        m_ws->update_layout(pos);
    }
}

void Context::update_view() {
    m_canvas.update();
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
    return m_now_mode && m_now_mode->action(name);
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
        m_key_binder->set_handler(new_mode);
        m_mouse_binder->set_handler(new_mode);
        signal_update_actionable_name_sig().emit(enum_actionable_name());
    }
    m_signal_now_mode_changed.emit();
}

}  // namespace Ctrl

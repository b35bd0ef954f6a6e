#pragma once

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
#include "common/point.hpp"
#include "ctrl/action_processor.hpp"
#include "ctrl/ctrl_switcher.hpp"
#include "ctrl/named_action_handler.hpp"

namespace Model {
class Workspace;
}
namespace View {
class Canvas;
}

namespace Ctrl {

class KeyBinder;
class Mode;
class MouseBinder;
class NameActionMap;

// The hub of editing: holds the workspace and the canvas that shows it, owns
// every mode and knows the current one, keeps the cell cursor and the
// selected range, runs edits through the action processor, and binds the
// canvas's keyboard and mouse to the current mode.
class Context : public AbstractCtrl, public INamedActionHandler {
  public:
    // The canvas is owned by the main window, which destroys the context
    // before the canvas.
    Context(std::shared_ptr<Model::Workspace> ws, View::Canvas& canvas);
    ~Context() override;
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    View::Canvas& get_canvas() const { return m_canvas; }
    const std::shared_ptr<Model::Workspace>& get_ws() const { return m_ws; }

    // One instance of each mode, by its type.
    std::unordered_map<std::type_index, std::shared_ptr<Mode>> modes;
    // The cell cursor; modes read and write it directly.
    CellPos cell_pos;
    // Set only while the select-cell mode is current.
    std::optional<CellRange> selected_range;
    std::shared_ptr<ActionProcessor> action_processor;

    template <class T>
    std::shared_ptr<T> get_mode() const {
        auto it = modes.find(std::type_index(typeid(T)));
        return it == modes.end() ? nullptr : std::static_pointer_cast<T>(it->second);
    }

    // Focuses the canvas when activated.
    void active(bool is_active) override;

    // Canvas point -> workspace pixels (subtracts the view offset); changes
    // pt and returns it.
    Point& translate_pt_wnd_to_ws(Point& pt) const;
    // Canvas point -> pixels relative to the top-left corner of the cursor
    // cell; changes pt and returns it.
    Point& translate_pt_wnd_to_cell(Point& pt) const;
    // The cell under a canvas point.
    CellPos point_to_cell_pos(const Point& pt) const;

    void update_layout(const CellPos& pos);
    // Queues a redraw of the canvas.
    void update_view();

    // The context's own names, then the current mode's.
    NameSet enum_actionable_name() override;
    bool action(const std::string& name) override;
    // Activates the window action `name` without a parameter; false when the
    // canvas's window is not an application window or has no such action.
    bool app_action(const std::string& name);

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
    std::shared_ptr<Model::Workspace> m_ws;
    View::Canvas& m_canvas;
    std::shared_ptr<KeyBinder> m_key_binder;
    std::shared_ptr<MouseBinder> m_mouse_binder;
    std::shared_ptr<Mode> m_now_mode;
    std::shared_ptr<NameActionMap> m_name_action_map;
    sigc::signal<void()> m_signal_now_mode_changed;
    sigc::signal<void(const std::shared_ptr<Mode>&)> m_signal_update_mode;
    sigc::connection m_file_path_connection;
};

}  // namespace Ctrl

#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <typeindex>

#include <gdk/gdk.h>

#include "common/cell_pos.hpp"
#include "common/cell_range.hpp"
#include "common/directions.hpp"
#include "common/point.hpp"
#include "ctrl/binders.hpp"
#include "ctrl/key_action_map.hpp"
#include "ctrl/name_action_map.hpp"
#include "ctrl/named_action_handler.hpp"

namespace Model {
class Workspace;
}

namespace Ctrl {

class Action;
class Context;

// One editing mode: its own key bindings and named actions, and what mouse
// presses and drags mean in it. The context holds one instance of each mode
// and hands keys and mouse events to the current one.
class Mode : public IKeyHandler, public IMouseHandler, public INamedActionHandler {
  public:
    explicit Mode(Context& ctrl);
    ~Mode() override;
    Mode(const Mode&) = delete;
    Mode& operator=(const Mode&) = delete;

    // The display name shown on the command bar ("name").
    virtual std::string get_name() const = 0;
    // Whether the context may switch to this mode now ("is-enterable").
    virtual bool get_is_enterable() const { return true; }

    virtual void on_enter() {}
    virtual void on_exit() {}
    // Points are in canvas (window) coordinates.
    virtual bool on_press_left_button(const Point& pt);
    virtual bool on_press_right_button(const Point& pt);
    virtual bool on_double_press_left_button(const Point& pt);
    virtual bool on_release_left_button(const Point& pt);
    virtual bool on_release_right_button(const Point& pt);
    virtual bool on_drag_with_left_button(const Point& start_pt, const Point& now_pt);

    bool key_press(GdkEventKey* event) override;
    bool button_press_event(GdkEventButton* event) override;
    bool button_release_event(GdkEventButton* event) override;
    bool motion_notify_event(GdkEventMotion* event) override;

    NameSet enum_actionable_name() override;
    bool action(const std::string& name) override;

    // Continues a drag that began in `other`.
    void take_over_from_the_mode(const Mode& other);
    // Asks the context for the mode of that type; always true.
    bool change_to_the_mode(std::type_index type);
    template <class T>
    bool change_to_the_mode() {
        return change_to_the_mode(std::type_index(typeid(T)));
    }

    const std::optional<Point>& get_drag_start_pt() const { return m_drag_start_pt; }
    KeyActionMap& get_key_action_map() { return m_key_action_map; }
    NameActionMap& get_name_action_map() { return m_name_action_map; }

  protected:
    // Binds every pattern to one action and, when `name` is given, makes the
    // same action reachable by that name from the menus and tool bar.
    void bind(std::initializer_list<const char*> patterns, std::function<bool()> fn,
              const char* name = nullptr);
    // Binds the arrow keys, and unless typing needs the letters also "k",
    // "j", "h" and "l", to fn with the direction they point to.
    enum class MoveKeys { ARROWS, ARROWS_AND_LETTERS };
    void bind_moves(std::function<bool(MovingDir)> fn,
                    MoveKeys keys = MoveKeys::ARROWS_AND_LETTERS);

    // Binds "<:>" to opening the command line.
    void bind_command_line();
    // Binds the zoom keys: "<C-=>" and "<C-+>" in, "<C-->" out, "<C-0>" to
    // 100 % and "<C-9>" to fit.
    void bind_zoom();
    // Builds an action of type A for the workspace and args and runs it
    // through the processor; the processor's result.
    template <class A, class... Args>
    [[nodiscard]] bool run(Args&&... args);
    [[nodiscard]] bool run_action(std::shared_ptr<Action> action);
    const std::shared_ptr<Model::Workspace>& get_ws() const;
    // Puts the classes of range, and the connectors between them, on the
    // clipboard; false when the range holds no class.
    bool copy_cells(const CellRange& range);
    // Pastes the clipboard's classes with their top-left cell at pos, as one
    // undoable step; a refusal is told on the command bar. False when
    // nothing was pasted, also when the clipboard holds no classes.
    bool paste_at(const CellPos& pos);
    // The context's cell cursor.
    const CellPos& cursor() const;

    // The context owns every mode and outlives it.
    Context& m_ctrl;
    KeyActionMap m_key_action_map;
    NameActionMap m_name_action_map;
    // Where the left button went down, while it is held.
    std::optional<Point> m_drag_start_pt;
};

template <class A, class... Args>
bool Mode::run(Args&&... args) {
    return run_action(std::make_shared<A>(get_ws(), std::forward<Args>(args)...));
}

}  // namespace Ctrl

#include "ctrl/modes/mode.hpp"

#include <tuple>

#include "common/log.hpp"
#include "ctrl/action.hpp"
#include "ctrl/actions.hpp"
#include "ctrl/class_clipboard.hpp"
#include "ctrl/context.hpp"
#include "ctrl/ctrl_switcher.hpp"
#include "model/element_cells.hpp"
#include "model/workspace.hpp"

namespace Ctrl {

namespace {

constexpr guint LEFT_BUTTON = 1;
constexpr guint RIGHT_BUTTON = 3;

}  // namespace

Mode::Mode(Context& ctrl) : m_ctrl(ctrl) {}

Mode::~Mode() = default;

bool Mode::on_press_left_button(const Point&) {
    return false;
}

bool Mode::on_press_right_button(const Point&) {
    return false;
}

bool Mode::on_double_press_left_button(const Point&) {
    return false;
}

bool Mode::on_release_left_button(const Point&) {
    return false;
}

bool Mode::on_release_right_button(const Point&) {
    return false;
}

bool Mode::on_drag_with_left_button(const Point&, const Point&) {
    return false;
}

bool Mode::key_press(GdkEventKey* event) {
    LX_RETURN_VAL_IF_FAIL(event != nullptr, false);
    return m_key_action_map.action(event);
}

bool Mode::button_press_event(GdkEventButton* event) {
    LX_RETURN_VAL_IF_FAIL(event != nullptr, false);
    Point pt(event->x, event->y);
    if (event->type == GDK_2BUTTON_PRESS) {
        if (event->button != LEFT_BUTTON) {
            return false;
        }
        m_drag_start_pt.reset();
        return on_double_press_left_button(pt);
    }
    // A triple press counts as a single press.
    switch (event->button) {
        case LEFT_BUTTON:
            m_drag_start_pt = pt;
            return on_press_left_button(pt);
        case RIGHT_BUTTON:
            return on_press_right_button(pt);
        default:
            return false;
    }
}

bool Mode::button_release_event(GdkEventButton* event) {
    LX_RETURN_VAL_IF_FAIL(event != nullptr, false);
    Point pt(event->x, event->y);
    switch (event->button) {
        case LEFT_BUTTON:
            m_drag_start_pt.reset();
            return on_release_left_button(pt);
        case RIGHT_BUTTON:
            return on_release_right_button(pt);
        default:
            return false;
    }
}

bool Mode::motion_notify_event(GdkEventMotion* event) {
    LX_RETURN_VAL_IF_FAIL(event != nullptr, false);
    if (!m_drag_start_pt || (event->state & GDK_BUTTON1_MASK) == 0) {
        return false;
    }
    // The handler may hand the drag to another mode; pass a copy.
    Point start = *m_drag_start_pt;
    return on_drag_with_left_button(start, Point(event->x, event->y));
}

NameSet Mode::enum_actionable_name() {
    return m_name_action_map.enum_actionable_name();
}

bool Mode::action(const std::string& name) {
    return m_name_action_map.action(name);
}

void Mode::take_over_from_the_mode(const Mode& other) {
    if (other.m_drag_start_pt) {
        m_drag_start_pt = other.m_drag_start_pt;
    }
}

bool Mode::change_to_the_mode(std::type_index type) {
    auto it = m_ctrl.modes.find(type);
    if (it != m_ctrl.modes.end()) {
        m_ctrl.set_now_mode(it->second);
    }
    return true;
}

void Mode::bind(std::initializer_list<const char*> patterns, std::function<bool()> fn,
                const char* name) {
    auto wrapper = std::make_shared<ActionWrapper>(std::move(fn));
    for (const char* pattern : patterns) {
        m_key_action_map.set(pattern, wrapper);
    }
    if (name != nullptr) {
        m_name_action_map.set(name, wrapper);
    }
}

void Mode::bind_command_line() {
    bind({"<:>"}, [] {
        CtrlSwitcher::switch_to_cmd_ctrl();
        return true;
    });
}

void Mode::bind_zoom() {
    bind({"<C-=>", "<C-+>"}, [this] { return m_ctrl.zoom_in(); });
    bind({"<C-->"}, [this] { return m_ctrl.zoom_out(); });
    bind({"<C-0>"}, [this] { return m_ctrl.zoom_normal(); });
    bind({"<C-9>"}, [this] { return m_ctrl.zoom_fit(); });
}

bool Mode::run_action(std::shared_ptr<Action> action) {
    return m_ctrl.action_processor->execute(std::move(action));
}

const std::shared_ptr<Model::Workspace>& Mode::get_ws() const {
    return m_ctrl.get_ws();
}

const CellPos& Mode::cursor() const {
    return m_ctrl.get_cell_pos();
}

void Mode::bind_moves(std::function<bool(MovingDir)> fn, MoveKeys keys) {
    const bool letters = keys == MoveKeys::ARROWS_AND_LETTERS;
    for (auto [arrow, letter, dir] :
         {std::tuple{"<Up>", "k", MovingDir::UP}, std::tuple{"<Down>", "j", MovingDir::DOWN},
          std::tuple{"<Left>", "h", MovingDir::LEFT},
          std::tuple{"<Right>", "l", MovingDir::RIGHT}}) {
        auto action = [fn, dir = dir] { return fn(dir); };
        if (letters) {
            bind({arrow, letter}, action);
        } else {
            bind({arrow}, action);
        }
    }
}

bool Mode::copy_cells(const CellRange& range) {
    const auto& ws = get_ws();
    bool any = false;
    ws->get_element_cells()->foreach_range(range, [&any](int32_t, int32_t, const auto&) {
        any = true;
        return false;
    });
    if (!any) {
        return false;
    }
    const std::string fragment = ws->copy_fragment(range);
    if (fragment.empty()) {
        m_ctrl.show_message("copy: the classes could not be written");
        return false;
    }
    m_ctrl.get_clipboard().put(fragment);
    return true;
}

bool Mode::paste_at(const CellPos& pos) {
    const auto fragment = m_ctrl.get_clipboard().take();
    if (!fragment) {
        return false;
    }
    auto paste = std::make_shared<PasteFragmentAction>(get_ws(), *fragment, pos);
    if (run_action(paste)) {
        return true;
    }
    using Result = Model::Workspace::PasteResult;
    switch (paste->get_result()) {
        case Result::OCCUPIED:
            m_ctrl.show_message("paste: a class is in the way");
            break;
        case Result::OFF_TABLE:
            m_ctrl.show_message("paste: the classes would go off the table");
            break;
        case Result::NOT_A_FRAGMENT:
            m_ctrl.show_message("paste: the clipboard holds no readable classes");
            break;
        case Result::EMPTY:
        case Result::PASTED:
            break;
    }
    return false;
}

}  // namespace Ctrl

#include "ctrl/modes/select_connector_mode.hpp"

#include <algorithm>

#include "common/log.hpp"
#include "ctrl/actions.hpp"
#include "ctrl/context.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "model/connector_element.hpp"
#include "model/connectors.hpp"
#include "model/workspace.hpp"

namespace Ctrl {

// ---- one side of the class --------------------------------------------------

void SelectConnectorModeSideConnectorList::init(
    MovingDir next_dir, SelectConnectorModeSideConnectorList& next_scl, MovingDir prev_dir,
    SelectConnectorModeSideConnectorList& prev_scl, MovingDir opposite_dir,
    SelectConnectorModeSideConnectorList& opposite_scl, bool focus_at_end) {
    m_next_dir = next_dir;
    m_next_scl = &next_scl;
    m_prev_dir = prev_dir;
    m_prev_scl = &prev_scl;
    m_opposite_dir = opposite_dir;
    m_opposite_scl = &opposite_scl;
    m_focus_at_end = focus_at_end;
}

void SelectConnectorModeSideConnectorList::sort(const Compare& cmp) {
    // The comparison calls positions less than a pixel apart equal, which is
    // not transitive (0.0 ~ 0.6 ~ 1.2 but 0.0 < 1.2); std::sort may run off
    // the range with such a comparison. A plain insertion sort only ever
    // moves an element past strictly greater ones, so it stays in bounds and
    // stable for any answer, and a side rarely holds more than a handful.
    for (size_t i = 1; i < m_connectors.size(); ++i) {
        ConnectorPtr con = std::move(m_connectors[i]);
        size_t j = i;
        while (j > 0 && cmp(con, m_connectors[j - 1]) < 0) {
            m_connectors[j] = std::move(m_connectors[j - 1]);
            --j;
        }
        m_connectors[j] = std::move(con);
    }
}

void SelectConnectorModeSideConnectorList::focus(int index) {
    defocus();
    if (is_valid_index(index)) {
        m_connectors[static_cast<size_t>(index)]->is_selected = true;
        m_focused_index = index;
    }
}

bool SelectConnectorModeSideConnectorList::focus_at_start_or_end(bool at_end) {
    if (is_empty()) {
        return false;
    }
    focus(at_end ? size() - 1 : 0);
    return true;
}

void SelectConnectorModeSideConnectorList::defocus() {
    if (is_valid_index(m_focused_index)) {
        m_connectors[static_cast<size_t>(m_focused_index)]->is_selected = false;
    }
    m_focused_index = -1;
}

void SelectConnectorModeSideConnectorList::update_focus() {
    for (const auto& con : m_connectors) {
        con->is_selected = false;
    }
    if (is_valid_index(m_focused_index)) {
        m_connectors[static_cast<size_t>(m_focused_index)]->is_selected = true;
    } else {
        m_focused_index = -1;
    }
}

bool SelectConnectorModeSideConnectorList::next() {
    if (is_empty() || m_focused_index < 0 || m_focused_index >= size() - 1) {
        return false;
    }
    focus(m_focused_index + 1);
    return true;
}

bool SelectConnectorModeSideConnectorList::prev() {
    if (is_empty() || m_focused_index <= 0) {
        return false;
    }
    focus(m_focused_index - 1);
    return true;
}

SelectConnectorModeSideConnectorList* SelectConnectorModeSideConnectorList::enter(
    SelectConnectorModeSideConnectorList* other) {
    if (other == nullptr || other == this || other->is_empty()) {
        return this;
    }
    other->focus_at_start_or_end(m_focus_at_end);
    defocus();
    return other;
}

SelectConnectorModeSideConnectorList* SelectConnectorModeSideConnectorList::move(MovingDir dir) {
    if (dir == m_next_dir) {
        return next() ? this : enter(m_next_scl);
    }
    if (dir == m_prev_dir) {
        return prev() ? this : enter(m_prev_scl);
    }
    if (dir == m_opposite_dir) {
        return enter(m_opposite_scl);
    }
    return this;
}

SelectConnectorModeSideConnectorList*
SelectConnectorModeSideConnectorList::remove_focuced_connector() {
    if (is_empty() || !is_valid_index(m_focused_index)) {
        return nullptr;
    }
    m_connectors[static_cast<size_t>(m_focused_index)]->is_selected = false;
    m_connectors.erase(m_connectors.begin() + m_focused_index);
    if (!is_empty()) {
        focus(std::min(m_focused_index, size() - 1));
        return this;
    }
    m_focused_index = -1;
    for (auto* other : {m_next_scl, m_prev_scl, m_opposite_scl}) {
        if (other != nullptr && other != this && other->focus_at_start_or_end(m_focus_at_end)) {
            return other;
        }
    }
    return nullptr;
}

SelectConnectorModeSideConnectorList::ConnectorPtr
SelectConnectorModeSideConnectorList::get_focused_connector() const {
    if (!is_valid_index(m_focused_index)) {
        return nullptr;
    }
    return m_connectors[static_cast<size_t>(m_focused_index)];
}

// ---- the mode -----------------------------------------------------------------

SelectConnectorMode::SelectConnectorMode(Context& ctrl) : Mode(ctrl) {
    bind_moves([this](MovingDir dir) { return change_focused_connector(dir); });
    bind({"x", "d"}, [this] { return remove_connector(); });
    bind({"i"}, [this] { return edit_label(Model::ConnectorLabel::NAME); });
    bind({"s"}, [this] { return edit_label(Model::ConnectorLabel::START); });
    bind({"e"}, [this] { return edit_label(Model::ConnectorLabel::END); });
    bind({"<Esc>", "<C-[>"}, [this] { return change_to_the_mode<CellMode>(); });
    bind_command_line();
    bind_zoom();
}

bool SelectConnectorMode::get_is_enterable() const {
    return m_ctrl.class_at_cursor() != nullptr;
}

SelectConnectorMode::SideList* SelectConnectorMode::get_side_list(MovingDir dir) const {
    return m_side_lists[static_cast<size_t>(dir)].get();
}

int SelectConnectorMode::cmp_connector_pos(const ConnectorPtr& a, const ConnectorPtr& b) const {
    LX_RETURN_VAL_IF_FAIL(a != nullptr, 0);
    LX_RETURN_VAL_IF_FAIL(b != nullptr, 0);
    auto se_a = a->get_start_or_end_at(cursor());
    auto se_b = b->get_start_or_end_at(cursor());
    if (!se_a || !se_b) {
        return 0;
    }
    return static_cast<int>(a->get_pos_at_term(*se_a) - b->get_pos_at_term(*se_b));
}

void SelectConnectorMode::on_enter() {
    for (auto& list : m_side_lists) {
        list = std::make_unique<SideList>();
    }
    auto& up = *get_side_list(MovingDir::UP);
    auto& down = *get_side_list(MovingDir::DOWN);
    auto& left = *get_side_list(MovingDir::LEFT);
    auto& right = *get_side_list(MovingDir::RIGHT);
    // Walking clockwise or anticlockwise around the box: entering a side
    // from the top or the left lands on its first connector, from the
    // bottom or the right on its last, so the highlight moves to the
    // nearest corner.
    up.init(MovingDir::RIGHT, right, MovingDir::LEFT, left, MovingDir::DOWN, down, false);
    down.init(MovingDir::RIGHT, right, MovingDir::LEFT, left, MovingDir::UP, up, true);
    left.init(MovingDir::DOWN, down, MovingDir::UP, up, MovingDir::RIGHT, right, false);
    right.init(MovingDir::DOWN, down, MovingDir::UP, up, MovingDir::LEFT, left, true);

    const auto& ws = get_ws();
    if (ws && ws->get_connector_set()) {
        const CellPos pos = cursor();
        // In uid order, so that connectors at equal positions keep the same
        // order on every entry.
        ws->get_connector_set()->enum_connectors_has_term_at(pos)->foreach_ordered(
            [this, &pos](const ConnectorPtr& con) {
                if (auto se = con->get_start_or_end_at(pos)) {
                    get_side_list(con->get_udlr_from_term(*se))->append(con);
                }
                return true;
            });
    }

    auto cmp = [this](const ConnectorPtr& a, const ConnectorPtr& b) {
        return cmp_connector_pos(a, b);
    };
    m_focused_list = nullptr;
    for (auto& list : m_side_lists) {
        list->sort(cmp);
        if (m_focused_list == nullptr && !list->is_empty()) {
            m_focused_list = list.get();
            m_focused_list->focus(0);
        }
    }
}

void SelectConnectorMode::on_exit() {
    if (m_focused_list != nullptr) {
        m_focused_list->defocus();
    }
    m_focused_list = nullptr;
    for (auto& list : m_side_lists) {
        list.reset();
    }
}

bool SelectConnectorMode::change_focused_connector(MovingDir dir) {
    if (m_focused_list == nullptr) {
        return false;
    }
    m_focused_list = m_focused_list->move(dir);
    return true;
}

bool SelectConnectorMode::edit_label(Model::ConnectorLabel which) {
    if (m_focused_list == nullptr) {
        return false;
    }
    auto con = m_focused_list->get_focused_connector();
    if (!con || !get_ws()) {
        return false;
    }
    const char* prompt = which == Model::ConnectorLabel::NAME    ? "name: "
                         : which == Model::ConnectorLabel::START ? "start: "
                                                                 : "end: ";
    m_ctrl.open_prompt(prompt, con->get_label(which), [this, con, which](const std::string& text) {
        // The text is committed in this mode, which the command line
        // returns to; an unchanged text is no step.
        static_cast<void>(run<SetConnectorLabelAction>(con, which, text));
        m_ctrl.queue_redraw();
    });
    return true;
}

bool SelectConnectorMode::remove_connector() {
    if (m_focused_list == nullptr) {
        return false;
    }
    auto con = m_focused_list->get_focused_connector();
    if (!con || !get_ws()) {
        return false;
    }
    // Refused only for a connector the document no longer holds, which
    // leaves the list as well.
    static_cast<void>(run<RemoveConnector>(con));
    m_focused_list = m_focused_list->remove_focuced_connector();
    if (m_focused_list == nullptr) {
        return change_to_the_mode<CellMode>();
    }
    // The removal re-spread the neighbours of the removed connector.
    m_focused_list->sort(
        [this](const ConnectorPtr& a, const ConnectorPtr& b) { return cmp_connector_pos(a, b); });
    m_focused_list->update_focus();
    return true;
}

}  // namespace Ctrl

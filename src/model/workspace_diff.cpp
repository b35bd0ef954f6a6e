#include "model/workspace_diff.hpp"

#include <utility>

#include "common/log.hpp"
#include "model/connectors.hpp"
#include "model/element_cells.hpp"

namespace Model {

WorkspaceDiff::WorkspaceDiff(std::shared_ptr<ElementContext> elem_context)
    : m_elem_context(std::move(elem_context)) {
    if (!m_elem_context) {
        LX_CRITICAL("WorkspaceDiff: assertion 'elem_context != NULL' failed");
    }
}

void WorkspaceDiff::add_element(const CellPos& pos, const std::shared_ptr<Element>& elem) {
    LX_RETURN_IF_FAIL(elem != nullptr);
    if (!m_add_elements) {
        m_add_elements = std::make_shared<ElementCells>(m_elem_context);
    }
    m_add_elements->set(pos.h, pos.v, elem);
}

void WorkspaceDiff::rm_element(const CellPos& pos, const std::shared_ptr<Element>& elem) {
    LX_RETURN_IF_FAIL(elem != nullptr);
    if (!m_rm_elements) {
        m_rm_elements = std::make_shared<ElementCells>(m_elem_context);
    }
    m_rm_elements->set(pos.h, pos.v, elem);
}

void WorkspaceDiff::add_connector(const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_IF_FAIL(con != nullptr);
    if (!m_add_connectors) {
        m_add_connectors = std::make_shared<Connectors>(m_elem_context);
    }
    m_add_connectors->add(con);
}

void WorkspaceDiff::rm_connector(const std::shared_ptr<AbstractConnectorElement>& con) {
    LX_RETURN_IF_FAIL(con != nullptr);
    if (!m_rm_connectors) {
        m_rm_connectors = std::make_shared<Connectors>(m_elem_context);
    }
    m_rm_connectors->add(con);
}

void WorkspaceDiff::insert_line(CellDir dir, int32_t index) {
    if (!m_inserted_line) {
        m_inserted_line = std::make_shared<WorkspaceDiffLineDiff>();
    }
    m_inserted_line->dir = dir;
    m_inserted_line->index = index;
}

void WorkspaceDiff::rm_line(CellDir dir, int32_t index) {
    if (!m_removed_line) {
        m_removed_line = std::make_shared<WorkspaceDiffLineDiff>();
    }
    m_removed_line->dir = dir;
    m_removed_line->index = index;
}

void WorkspaceDiff::move_classes(const std::vector<std::pair<CellPos, CellPos>>& moves) {
    m_moves = moves;
}

std::shared_ptr<WorkspaceDiff> WorkspaceDiff::reverse() const {
    auto r = std::make_shared<WorkspaceDiff>(m_elem_context);
    r->m_add_elements = m_rm_elements;
    r->m_rm_elements = m_add_elements;
    r->m_add_connectors = m_rm_connectors;
    r->m_rm_connectors = m_add_connectors;
    r->m_inserted_line = m_removed_line;
    r->m_removed_line = m_inserted_line;
    r->m_moves.reserve(m_moves.size());
    for (const auto& [from, to] : m_moves) {
        r->m_moves.emplace_back(to, from);
    }
    r->m_batched = m_batched;
    return r;
}

bool WorkspaceDiff::is_empty() const {
    return !m_add_elements && !m_rm_elements && !m_add_connectors && !m_rm_connectors &&
           !m_inserted_line && !m_removed_line && m_moves.empty();
}

}  // namespace Model

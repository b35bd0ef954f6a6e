#include "model/connectors.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "common/log.hpp"
#include "common/serializing.hpp"
#include "model/connector_element.hpp"
#include "model/element_cells.hpp"

namespace Model {

Connectors::Connectors(std::shared_ptr<ElementContext> elem_context)
    : m_elem_context(std::move(elem_context)) {
    if (!m_elem_context) {
        LX_CRITICAL("Connectors: assertion 'elem_context != NULL' failed");
    }
}

bool Connectors::add(const ConnectorPtr& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    return m_set.insert(con).second;
}

bool Connectors::remove(const ConnectorPtr& con) {
    LX_RETURN_VAL_IF_FAIL(con != nullptr, false);
    return m_set.erase(con) > 0;
}

bool Connectors::contains(const ConnectorPtr& con) const {
    return con != nullptr && m_set.count(con) > 0;
}

void Connectors::remove_all(const Connectors& other) {
    if (&other == this) {
        m_set.clear();
        return;
    }
    for (const auto& con : other.m_set) {
        m_set.erase(con);
    }
}

std::shared_ptr<Connectors> Connectors::duplicate() const {
    auto dup = std::make_shared<Connectors>(m_elem_context);
    dup->m_set = m_set;
    return dup;
}

bool Connectors::foreach_ordered(const std::function<bool(const ConnectorPtr&)>& fn) const {
    std::vector<ConnectorPtr> list(m_set.begin(), m_set.end());
    // Equal uids (possible only through set_uid) fall back on the ends and
    // the kind, so that the order never depends on the set's hashing.
    std::sort(list.begin(), list.end(), [](const ConnectorPtr& a, const ConnectorPtr& b) {
        const int by_uid = Element::cmp_uid(*a, *b);
        if (by_uid != 0) {
            return by_uid < 0;
        }
        if (a->start_pos != b->start_pos) {
            return a->start_pos < b->start_pos;
        }
        if (a->end_pos != b->end_pos) {
            return a->end_pos < b->end_pos;
        }
        return a->get_serializing_type_name() < b->get_serializing_type_name();
    });
    bool result = true;
    for (const auto& con : list) {
        result = fn(con);
        if (!result) {
            break;
        }
    }
    return result;
}

void Connectors::update_linked_elem(const ElementCells& cells) {
    for (const auto& con : m_set) {
        con->start_elem = cells.get(con->start_pos.h, con->start_pos.v);
        con->end_elem = cells.get(con->end_pos.h, con->end_pos.v);
    }
}

void Connectors::shift_term_at(CellDir dir, int32_t index, int32_t delta) {
    for (const auto& con : m_set) {
        for (CellPos* p : {&con->start_pos, &con->end_pos}) {
            if (p->get(dir) >= index) {
                p->set(dir, p->get(dir) + delta);
            }
        }
    }
}

void Connectors::insert_line(CellDir dir, int32_t index) {
    shift_term_at(dir, index, 1);
}

void Connectors::remove_line(CellDir dir, int32_t index,
                             const std::function<void(const ConnectorPtr&)>& fn) {
    auto on = enum_term_on_line(dir, index);
    if (fn) {
        for (const auto& con : on->m_set) {
            fn(con);
        }
    }
    remove_all(*on);
    shift_term_at(dir, index, -1);
}

std::shared_ptr<Connectors> Connectors::enum_term_on_line(CellDir dir, int32_t index) const {
    auto on = std::make_shared<Connectors>(m_elem_context);
    for (const auto& con : m_set) {
        if (con->start_pos.get(dir) == index || con->end_pos.get(dir) == index) {
            on->m_set.insert(con);
        }
    }
    return on;
}

std::shared_ptr<Connectors> Connectors::enum_connectors_has_term_at(const CellPos& pos) const {
    auto at = std::make_shared<Connectors>(m_elem_context);
    for (const auto& con : m_set) {
        if (con->start_pos == pos || con->end_pos == pos) {
            at->m_set.insert(con);
        }
    }
    return at;
}

bool Connectors::write(SerializingWriter& writer) {
    // The writer answers true for an error.
    bool failed = writer.start_element("connector_set");
    foreach_ordered([&](const ConnectorPtr& con) {
        failed = !con->write(writer) || failed;
        return true;
    });
    failed = writer.end_element() || failed;
    return !failed;
}

bool Connectors::read(SerializingReader& reader) {
    if (!reader.skip_to_element("connector_set")) {
        return false;
    }
    return reader.foreach_subtree([&]() {
        if (!reader.is_start_element() || std::string(reader.get_name()) != "connector") {
            return true;
        }
        auto type = reader.get_attribute("type");
        if (!type) {
            LX_DEBUG("a connector without a type is skipped");
            return true;
        }
        auto con = new_connector_element(*type, m_elem_context);
        if (!con) {
            LX_DEBUG("a connector of the unknown type '%s' is skipped", type->c_str());
            return true;
        }
        if (!con->read(reader)) {
            LX_DEBUG("a connector without valid start and end cells is skipped");
            return true;
        }
        m_set.insert(con);
        return true;
    });
}

}  // namespace Model

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_set>

#include "common/cell_pos.hpp"
#include "common/directions.hpp"
#include "common/serializing.hpp"

namespace Model {

class AbstractConnectorElement;
class ElementCells;
class ElementContext;

// The connectors of a workspace (or one table of a change record). Membership
// is by object identity; the set holds a reference to each member.
class Connectors : public ISerializable {
  public:
    using ConnectorPtr = std::shared_ptr<AbstractConnectorElement>;
    using Set = std::unordered_set<ConnectorPtr>;
    using const_iterator = Set::const_iterator;

    // elem_context creates the connectors read from a document.
    explicit Connectors(std::shared_ptr<ElementContext> elem_context);

    // True when con was not a member yet.
    bool add(const ConnectorPtr& con);
    // True when con was a member.
    bool remove(const ConnectorPtr& con);
    bool contains(const ConnectorPtr& con) const;
    int size() const { return static_cast<int>(m_set.size()); }
    bool is_empty() const { return m_set.empty(); }
    void clear() { m_set.clear(); }
    // Removes every member of other from this set.
    void remove_all(const Connectors& other);
    // Unordered; use foreach_ordered where the order is observable.
    const_iterator begin() const { return m_set.begin(); }
    const_iterator end() const { return m_set.end(); }

    const std::shared_ptr<ElementContext>& get_elem_context() const { return m_elem_context; }

    // A new set with the same context and the same (shared) members.
    std::shared_ptr<Connectors> duplicate() const;
    // Members in ascending uid order; stops when fn answers false and answers
    // the last result (true for an empty set).
    bool foreach_ordered(const std::function<bool(const ConnectorPtr&)>& fn) const;
    // Links every member's ends to the elements now at its end cells.
    void update_linked_elem(const ElementCells& cells);
    // Ends whose coordinate along dir is >= index move by delta (no clamping).
    void shift_term_at(CellDir dir, int32_t index, int32_t delta);
    void insert_line(CellDir dir, int32_t index);
    // Drops every connector with an end on the line, telling fn about each
    // one first, then moves the ends behind the line back by one.
    void remove_line(CellDir dir, int32_t index,
                     const std::function<void(const ConnectorPtr&)>& fn = nullptr);
    // Members with at least one end on the line.
    std::shared_ptr<Connectors> enum_term_on_line(CellDir dir, int32_t index) const;
    // Members with an end at pos.
    std::shared_ptr<Connectors> enum_connectors_has_term_at(const CellPos& pos) const;

    // The "connector_set" element, members in uid order.
    bool write(SerializingWriter& writer) override;
    // Adds the connectors of the "connector_set" element; a connector of an
    // unknown type is skipped.
    bool read(SerializingReader& reader) override;

  private:
    std::shared_ptr<ElementContext> m_elem_context;
    Set m_set;
};

}  // namespace Model

#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "common/cell_pos.hpp"
#include "common/directions.hpp"

namespace Model {

class AbstractConnectorElement;
class Connectors;
class Element;
class ElementCells;
class ElementContext;

// One inserted or removed row (CellDir::V) or column (CellDir::H).
struct WorkspaceDiffLineDiff {
    CellDir dir = CellDir::H;
    int32_t index = 0;
};

// The record of one change to a workspace. The workspace fills it while it is
// attached as the workspace's log diff; afterwards it is only read, by
// reverse() and by Workspace::patch(). It holds the very element and
// connector objects that were added or removed, so an undone class comes back
// with its uid and texts.
class WorkspaceDiff {
  public:
    explicit WorkspaceDiff(std::shared_ptr<ElementContext> elem_context);

    // Recording, called by the workspace while attached.
    void add_element(const CellPos& pos, const std::shared_ptr<Element>& elem);
    void rm_element(const CellPos& pos, const std::shared_ptr<Element>& elem);
    void add_connector(const std::shared_ptr<AbstractConnectorElement>& con);
    void rm_connector(const std::shared_ptr<AbstractConnectorElement>& con);
    // A record keeps one inserted and one removed line; a second overwrites.
    void insert_line(CellDir dir, int32_t index);
    void rm_line(CellDir dir, int32_t index);
    // Classes that moved, each from its first cell to its second, all at
    // once (so a swap is two entries). The reverse moves them back. A record
    // keeps one such move; a second overwrites.
    void move_classes(const std::vector<std::pair<CellPos, CellPos>>& moves);
    // Replaying this record takes its classes and connectors out and puts
    // them in all at once, then settles the routes once, instead of one
    // class at a time: for records of many classes, such as a paste or cut.
    void set_batched() { m_batched = true; }

    // The inverse change. Shares the recorded tables instead of copying them,
    // which is safe because a record is not changed after its action ends.
    std::shared_ptr<WorkspaceDiff> reverse() const;

    // Whether nothing was recorded.
    bool is_empty() const;

    const std::shared_ptr<ElementContext>& get_elem_context() const { return m_elem_context; }
    // Each part is null until its first record.
    const std::shared_ptr<ElementCells>& get_add_elements() const { return m_add_elements; }
    const std::shared_ptr<ElementCells>& get_rm_elements() const { return m_rm_elements; }
    const std::shared_ptr<Connectors>& get_add_connectors() const { return m_add_connectors; }
    const std::shared_ptr<Connectors>& get_rm_connectors() const { return m_rm_connectors; }
    const std::shared_ptr<WorkspaceDiffLineDiff>& get_inserted_line() const {
        return m_inserted_line;
    }
    const std::shared_ptr<WorkspaceDiffLineDiff>& get_removed_line() const {
        return m_removed_line;
    }
    const std::vector<std::pair<CellPos, CellPos>>& get_moves() const { return m_moves; }
    bool get_batched() const { return m_batched; }

  private:
    std::shared_ptr<ElementContext> m_elem_context;
    std::shared_ptr<ElementCells> m_add_elements;
    std::shared_ptr<ElementCells> m_rm_elements;
    std::shared_ptr<Connectors> m_add_connectors;
    std::shared_ptr<Connectors> m_rm_connectors;
    std::shared_ptr<WorkspaceDiffLineDiff> m_inserted_line;
    std::shared_ptr<WorkspaceDiffLineDiff> m_removed_line;
    std::vector<std::pair<CellPos, CellPos>> m_moves;
    bool m_batched = false;
};

}  // namespace Model

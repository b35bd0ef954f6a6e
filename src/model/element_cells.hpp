#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "common/serializing.hpp"
#include "model/cells.hpp"
#include "model/element.hpp"
#include "model/element_context.hpp"

namespace Model {

// The class elements of a workspace by cell, with the sizing queries of the
// grid and the "element_cells" node of the document.
class ElementCells : public Cells<Element>, public ISerializable {
  public:
    using ElemFn = std::function<bool(int32_t h, int32_t v, const std::shared_ptr<Element>& elem)>;

    explicit ElementCells(std::shared_ptr<ElementContext> elem_context);

    const std::shared_ptr<ElementContext>& get_elem_context() const { return m_elem_context; }

    // The widest (highest) element rect in the column (row); 0.0 when empty.
    double get_max_width_at_col(int32_t h) const;
    double get_max_height_at_row(int32_t v) const;

    // Every element by ascending uid, which is the order of the file; stops
    // when fn answers false and answers its last result.
    bool foreach_ordered(const ElemFn& fn) const;

    bool write(SerializingWriter& writer) override;
    // Reads the next "element_cells" into this table. Cells without valid
    // "h" and "v" attributes (0 .. 65535) are skipped.
    bool read(SerializingReader& reader) override;
    // The first "class" inside the current "cell", or null.
    std::shared_ptr<Element> read_elem(SerializingReader& reader);

  private:
    std::shared_ptr<ElementContext> m_elem_context;
};

}  // namespace Model

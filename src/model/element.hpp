#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_set>

#include <sigc++/signal.h>

#include "common/rectangle.hpp"
#include "common/serializing.hpp"
#include "model/element_context.hpp"

namespace Model {

// Everything the diagram shows. An element owns an identifier, unique
// within its workspace and reserved in the context's generator. A dying
// element keeps its reservation: after a reload, the new elements of the
// same document carry the same identifiers as the old ones that die.
class Element : public ISerializable {
  public:
    // A null context is a programming error: it is logged and the element
    // gets a private context so it still works.
    explicit Element(std::shared_ptr<ElementContext> elem_context);

    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    const std::shared_ptr<ElementContext>& get_elem_context() const { return m_elem_context; }

    uint32_t get_uid() const { return m_uid; }
    // Moves the reservation: the old uid is freed, the new one reserved.
    void set_uid(uint32_t uid);
    sigc::signal<void()>& signal_uid_changed() { return m_signal_uid_changed; }

    // Negative, zero or positive as a's uid is below, equal to or above
    // b's, compared as unsigned numbers: the order of elements in files.
    static int cmp_uid(const Element& a, const Element& b);

    // The element's rectangle in cell-local pixels.
    virtual Rectangle get_rect() const { return Rectangle(); }
    // Arranges the element inside box.
    virtual void layout(const Rectangle& box) = 0;

    // Writes / reads the "uid" attribute of the element's node. Reading
    // parses it with automatic base ("0x" hex, leading 0 octal, decimal)
    // kept to 32 bits; a missing uid reads as 0.
    bool write(SerializingWriter& writer) override;
    bool read(SerializingReader& reader) override;

    // A relation set that nothing in the program fills yet; it holds its
    // members, so relating two elements both ways must be undone with
    // disrelate to free them.
    bool has_relations() const { return m_relations != nullptr; }
    void relate(const std::shared_ptr<Element>& elem);
    void disrelate(const std::shared_ptr<Element>& elem);
    bool foreach_relations(const std::function<bool(const std::shared_ptr<Element>&)>& fn) const;

    // The highlight that the connector selection sets and drawers read.
    bool is_selected = false;

  private:
    std::shared_ptr<ElementContext> m_elem_context;
    uint32_t m_uid = 0;
    sigc::signal<void()> m_signal_uid_changed;
    std::unique_ptr<std::unordered_set<std::shared_ptr<Element>>> m_relations;
};

}  // namespace Model

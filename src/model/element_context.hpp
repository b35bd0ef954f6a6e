#pragma once

#include <memory>

#include "common/unique_id_generator.hpp"
#include "model/pango_layout_factory.hpp"

namespace Model {

// What all elements of one workspace share: the layout factory and the
// identifier generator.
class ElementContext {
  public:
    // Both are required; create() refuses null ones.
    ElementContext(std::shared_ptr<PangoLayoutFactory> pango_layout_factory,
                   std::shared_ptr<UniqueIdGenerator> uid_generator);

    // Null (with a critical) when either argument is null.
    static std::shared_ptr<ElementContext> create(
        std::shared_ptr<PangoLayoutFactory> pango_layout_factory,
        std::shared_ptr<UniqueIdGenerator> uid_generator);
    // A context with a new factory and a new generator.
    static std::shared_ptr<ElementContext> create();

    PangoLayoutFactory& get_pango_layout_factory() const { return *m_pango_layout_factory; }
    UniqueIdGenerator& get_uid_generator() const { return *m_uid_generator; }

  private:
    std::shared_ptr<PangoLayoutFactory> m_pango_layout_factory;
    std::shared_ptr<UniqueIdGenerator> m_uid_generator;
};

}  // namespace Model

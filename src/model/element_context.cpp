#include "model/element_context.hpp"

#include "common/log.hpp"

namespace Model {

ElementContext::ElementContext(std::shared_ptr<PangoLayoutFactory> pango_layout_factory,
                               std::shared_ptr<UniqueIdGenerator> uid_generator)
    : m_pango_layout_factory(std::move(pango_layout_factory)),
      m_uid_generator(std::move(uid_generator)) {}

std::shared_ptr<ElementContext> ElementContext::create(
    std::shared_ptr<PangoLayoutFactory> pango_layout_factory,
    std::shared_ptr<UniqueIdGenerator> uid_generator) {
    LX_RETURN_VAL_IF_FAIL(pango_layout_factory != nullptr, nullptr);
    LX_RETURN_VAL_IF_FAIL(uid_generator != nullptr, nullptr);
    return std::make_shared<ElementContext>(std::move(pango_layout_factory),
                                            std::move(uid_generator));
}

std::shared_ptr<ElementContext> ElementContext::create() {
    return std::make_shared<ElementContext>(std::make_shared<PangoLayoutFactory>(),
                                            std::make_shared<UniqueIdGenerator>());
}

}  // namespace Model

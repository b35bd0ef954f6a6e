#pragma once

#include <initializer_list>
#include <memory>

#include "common/cell_pos.hpp"
#include "common/rectangle.hpp"
#include "model/connector_element.hpp"
#include "model/element.hpp"
#include "model/element_context.hpp"
#include "model/routing/route.hpp"

namespace LxTest {

// A class box of a fixed size, so layout expectations do not hang on fonts.
class BoxElement : public Model::Element {
  public:
    BoxElement(std::shared_ptr<Model::ElementContext> ctx, const Rectangle& rect)
        : Model::Element(std::move(ctx)), m_rect(rect) {}
    Rectangle get_rect() const override { return m_rect; }
    void layout(const Rectangle&) override {}

    Rectangle m_rect;
};

inline Model::Route make_route(std::initializer_list<CellPos> cells) {
    Model::Route route;
    route.cells.assign(cells.begin(), cells.end());
    if (!route.cells.empty()) {
        route.start = route.cells.front();
        route.goal = route.cells.back();
    }
    return route;
}

}  // namespace LxTest

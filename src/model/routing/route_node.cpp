#include "model/routing/route_node.hpp"

#include "common/log.hpp"

namespace Model {

void RouteNode::debug_print(const char* prefix) const {
    LX_RETURN_IF_FAIL(prefix != nullptr);
    auto p = [](const RouteNode* n) { return static_cast<const void*>(n); };
    LX_DEBUG("%s %p (%d,%d) U:%p w%d, D:%p w%d, L:%p w%d, R:%p w%d, dist=%d, pred:%p", prefix,
             p(this), pos.h, pos.v, p(links[0]), weights[0], p(links[1]), weights[1], p(links[2]),
             weights[2], p(links[3]), weights[3], dist, p(pred));
}

}  // namespace Model

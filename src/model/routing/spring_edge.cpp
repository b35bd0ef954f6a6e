#include "model/routing/spring_edge.hpp"

#include <cmath>

#include "common/log.hpp"

namespace Model {

namespace {
constexpr double PUSH_STIFFNESS = 1.0;
}  // namespace

std::string to_string(LinkDir d) {
    switch (d) {
        case LinkDir::LEFT:
            return "LEFT";
        case LinkDir::RIGHT:
            return "RIGHT";
    }
    return "(invalid)";
}

const char* to_nick(LinkDir d) {
    switch (d) {
        case LinkDir::LEFT:
            return "left";
        case LinkDir::RIGHT:
            return "right";
    }
    return "";
}

SpringEdge::SpringEdge(const std::shared_ptr<ILayoutableNode>& left_node,
                       const std::shared_ptr<ILayoutableNode>& right_node, double length,
                       bool push_only)
    : m_left_node(left_node), m_right_node(right_node), m_length(length), m_push_only(push_only) {
    if (!left_node) {
        LX_CRITICAL("SpringEdge: assertion 'left_node != NULL' failed");
    }
    if (!right_node) {
        LX_CRITICAL("SpringEdge: assertion 'right_node != NULL' failed");
    }
}

double SpringEdge::get_left_term_pos() const {
    auto n = m_left_node.lock();
    return n ? n->get_pos() : 0.0;
}

double SpringEdge::get_right_term_pos() const {
    auto n = m_right_node.lock();
    return n ? n->get_pos() : 0.0;
}

double SpringEdge::get_energy() const {
    const double c = m_length;
    const double d = get_right_term_pos() - get_left_term_pos();
    if (m_push_only) {
        // Pushes the nodes apart whichever way round they lie: the order of
        // two lines from different boxes is theirs to settle.
        // Stiffer than the springs that hold a line to its box, so a line
        // gives way to its neighbour rather than stay on top of it.
        const double overlap = PUSH_STIFFNESS * std::fmax(c - std::fabs(d), 0.0);
        return d < 0.0 ? -overlap : overlap;
    }
    return (c - d) + c / (std::exp(d / 2.0) + 1.0);
}

}  // namespace Model

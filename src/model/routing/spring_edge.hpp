#pragma once

#include <memory>
#include <string>

#include "model/routing/layoutable_node.hpp"

namespace Model {

// The side of a segment a spring attaches to.
enum class LinkDir { LEFT = 0, RIGHT = 1 };

std::string to_string(LinkDir d);
const char* to_nick(LinkDir d);

// A spring between two layoutable nodes, the left one meant to lie at the
// smaller position. The nodes are held weakly: segments own their springs, so
// a strong link back would make every pair of neighbours a leaking cycle, and
// the walls belong to the group being laid out. A node that is gone reads as
// position 0.
class SpringEdge {
  public:
    // Both nodes are required; a missing one is logged and the spring's
    // side reads 0.
    SpringEdge(const std::shared_ptr<ILayoutableNode>& left_node,
               const std::shared_ptr<ILayoutableNode>& right_node, double length,
               bool push_only = false);

    std::shared_ptr<ILayoutableNode> get_left_node() const { return m_left_node.lock(); }
    std::shared_ptr<ILayoutableNode> get_right_node() const { return m_right_node.lock(); }
    double get_length() const { return m_length; }
    // A push-only spring keeps its nodes its length apart, on whichever
    // side of each other they are, and lets them go once they are: two
    // segments that merely run side by side must not drag each other off
    // the places their own classes give them. It does not bound clamping.
    bool get_push_only() const { return m_push_only; }

    double get_left_term_pos() const;
    double get_right_term_pos() const;
    // With d = right pos - left pos and rest length c: (c - d) + c / (e^(d/2) + 1).
    // It falls as the nodes move apart; at rest length 0 it is simply -d.
    // A push-only spring answers 4 (c - |d|) while |d| < c, negated for
    // d < 0, and 0 beyond.
    double get_energy() const;

  private:
    std::weak_ptr<ILayoutableNode> m_left_node;
    std::weak_ptr<ILayoutableNode> m_right_node;
    double m_length;
    bool m_push_only = false;
};

}  // namespace Model

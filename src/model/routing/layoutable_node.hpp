#pragma once

#include <memory>

namespace Model {

// Something the spring simulation can move along one axis: a segment's offset
// across its column or row, or a fixed wall. Positive energy pushes the node
// toward bigger positions.
class ILayoutableNode : public std::enable_shared_from_this<ILayoutableNode> {
  public:
    virtual ~ILayoutableNode() = default;

    virtual double get_pos() const = 0;
    virtual void set_pos(double pos) = 0;
    virtual double get_velocity() const = 0;
    virtual void set_velocity(double velocity) = 0;
    virtual double get_energy() const = 0;
};

// Stores position and velocity; carries no energy of its own.
class AbstractLayoutableNode : public ILayoutableNode {
  public:
    double get_pos() const override { return m_pos; }
    void set_pos(double pos) override { m_pos = pos; }
    double get_velocity() const override { return m_velocity; }
    void set_velocity(double velocity) override { m_velocity = velocity; }
    double get_energy() const override { return 0.0; }

  private:
    double m_pos = 0.0;
    double m_velocity = 0.0;
};

// A wall: a column edge or the edge of a class box. It never moves, so its
// velocity is always 0 and setting one is ignored.
class FixedLayoutableNode : public AbstractLayoutableNode {
  public:
    explicit FixedLayoutableNode(double pos) { AbstractLayoutableNode::set_pos(pos); }

    double get_velocity() const override { return 0.0; }
    void set_velocity(double) override {}
};

}  // namespace Model

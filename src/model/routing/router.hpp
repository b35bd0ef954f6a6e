#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

#include "common/cell_pos.hpp"
#include "common/directions.hpp"
#include "model/cells.hpp"
#include "model/routing/route.hpp"
#include "model/routing/route_node.hpp"

namespace Model {

// The route graph and the shortest-route search.
//
// The graph is sparse: it holds a node only in the 3x3 block of cells around
// each interest point, i.e. every terminal (a cell where connectors may end)
// and every corner where an L-shaped path between two terminals would turn.
// Each node links to the nearest live node above, below, left and right of
// it. Every hop costs 100 whatever its length, except hops leading straight
// away from the start or the goal along its column (x0.2) or row (x0.5), so
// routes prefer few hops and leave their ends straight. Every turn costs
// BEND_WEIGHT on top, so of two routes with about as many hops the one with
// fewer bends wins: an L between diagonal neighbours, a straight line where
// one is free.
//
// The table's own entries never move: row and column changes of the diagram
// move the terminals instead, and the graph follows.
class Router : public Cells<RouteNode> {
  public:
    using PosFn = std::function<void(const CellPos& pos)>;
    // The cost of a change of direction, in the units of the hop weights
    // (100 a hop, 20 or 50 for discounted hops).
    static constexpr int32_t BEND_WEIGHT = 300;

    Router() = default;
    Router(const Router&) = delete;
    Router& operator=(const Router&) = delete;

    // Registers one terminal at pos and grows the graph around it and around
    // its corners with every other terminal. Always true.
    bool add_terminatable_node(const CellPos& pos);
    // Registers every terminal of positions (a cell listed twice counts
    // twice) and builds the graph for all of them at once. The graph is the
    // one adding them one by one would give, but one by one costs a pass
    // over all terminals per terminal, which makes reading a large document
    // quadratic; this costs the size of the graph.
    void add_terminatable_nodes(const std::vector<CellPos>& positions);
    // Unregisters one terminal at pos and shrinks the graph, relinking the
    // survivors across the gap. Nothing happens when pos holds no terminal.
    // Always true.
    bool rm_terminatable_node(const CellPos& pos);
    // Unregisters one terminal at each of positions (where there is one) and
    // rebuilds the graph once, as add_terminatable_nodes does: one by one,
    // each removal costs a pass over all terminals.
    void rm_terminatable_nodes(const std::vector<CellPos>& positions);
    // Both of the above in one rebuild: moving classes takes terminals out
    // of some cells and puts them into others.
    void move_terminatable_nodes(const std::vector<CellPos>& removed,
                                 const std::vector<CellPos>& added);
    // Moves every terminal whose coordinate along dir is >= index by count.
    // All terminals of one cell move together.
    void shift_node_at(CellDir dir, int32_t index, int32_t count);
    // Unregisters every terminal whose coordinate along dir lies in
    // index .. index + count - 1.
    void rm_terminatable_node_at(CellDir dir, int32_t index, int32_t count);

    // The nearest live node strictly beyond pos in direction dir, or null.
    RouteNode* get_nearest_node(const CellPos& pos, MovingDir dir) const;
    // Links node and its nearest live node in dir to each other.
    void link_nearest(RouteNode& node, MovingDir dir);
    void update_link_nodes(const std::vector<RouteNode*>& nodes);

    // The corners of pos against every other terminal with both coordinates
    // different, once per terminal counted there: (o.h, pos.v), then (pos.h, o.v).
    void foreach_term_cross_pos(const CellPos& pos, const PosFn& fn) const;
    // The valid cells of the 3x3 block around pos, row by row.
    static void foreach_neighbor_9_nodes(const CellPos& pos, const PosFn& fn);

    // Resets weights and search state of every node.
    void init_node();
    // Multiplies the weight in dir of node and of each node after it along
    // that line, truncating; the last node of the line has no hop to change.
    void gain_weight_on_directed_line(RouteNode& node, double factor, MovingDir dir);
    // Discounts the hops leading away from start and goal along their lines.
    void set_recommended_path_weight(const CellPos& start, const CellPos& goal);
    // Prepends goal and its chain of predecessors from the last search.
    void trace_pred(Route& route, const CellPos& goal) const;
    // The cheapest route from start to goal that passes no other terminal;
    // from a class to itself, new_loop_route.
    // The goal cell alone when it is unreachable; empty when start or goal
    // has no node.
    std::shared_ptr<Route> new_shortest_route(const CellPos& start, const CellPos& goal);

    // A self-relation's route: out of one side of the class at pos and back
    // in on the side next to it, around the corner cell between them. The
    // corners are tried clockwise from the bottom right; the first whose
    // three cells hold no terminal is taken. Only pos when none is free.
    std::shared_ptr<Route> new_loop_route(const CellPos& pos) const;

    // Number of terminals registered at pos (0 when none).
    int32_t get_term_count(const CellPos& pos) const;
    const Cells<int32_t>& get_term_counts() const { return m_term_counts; }
    // The number of nodes in the graph.
    int32_t get_node_count() const { return count(); }

    // Cells whose node appeared, vanished or became or stopped being a
    // terminal since the last clear_changed(), for deciding which routes a
    // search would now find differently. A row or column shift moves them
    // with their cells and adds nothing of its own.
    const std::vector<CellPos>& get_changed() const { return m_changed; }
    void clear_changed() { m_changed.clear(); }

    // Nodes whose distance was settled or improved by the last search.
    int64_t get_last_search_visits() const { return m_last_search_visits; }

    void insert_row(int32_t index, int32_t count, const CellFn& fn_shifted = nullptr) override;
    void insert_col(int32_t index, int32_t count, const CellFn& fn_shifted = nullptr) override;
    void remove_row(int32_t index, int32_t count, const CellFn& fn_removed = nullptr,
                    const CellFn& fn_shifted = nullptr) override;
    void remove_col(int32_t index, int32_t count, const CellFn& fn_removed = nullptr,
                    const CellFn& fn_shifted = nullptr) override;

    // ---- for tests and benchmarks only ------------------------------------
    // When set, every search resets the whole graph and runs until the queue
    // is empty, as plainly as the search can be written. Tests and the
    // benchmark compare it with the default search, which stamps its state
    // with an epoch and stops once the goal is settled.
    void set_full_reset_search(bool value) { m_full_reset_search = value; }

  private:
    RouteNode* node_at(const CellPos& pos) const { return get(pos.h, pos.v).get(); }
    // Interest points of pos against the current terminals, pos first.
    std::vector<CellPos> interest_points(const CellPos& pos) const;
    void reference_node(RouteNode& node);
    // Brings the whole graph in line with the registered terminals at once:
    // the nodes, counts, links and flags that adding every terminal one by
    // one would give, at a cost of the graph's size rather than one pass
    // over all terminals per moved terminal.
    // When the terminal counts changed only at the cells listed in dirty,
    // only the rows and columns through them are rebuilt: no other node's
    // count can have changed.
    void sync_graph_with_terms(const std::vector<CellPos>* dirty = nullptr);
    void unreference_node(RouteNode& node);
    // Enters a node that became live into the line index, or takes out one
    // that died.
    void update_live_index(const RouteNode& node, bool was_live);
    void restore_weights();
    // The cost of the hop from node in direction d during a search. The
    // default search does not write the discounts of
    // set_recommended_path_weight into the nodes, which walks four whole
    // lines from each end per route; it applies the same discounts, with the
    // same truncation and in the same order, to the hops it looks at.
    int32_t hop_weight(const RouteNode& node, MovingDir d) const;
    void search(RouteNode& start, const RouteNode& goal);
    // Makes node's per-direction state that of the current search.
    void touch(RouteNode& node) const;

    Cells<int32_t> m_term_counts;
    // Live nodes by line, so the nearest one beyond a cell is a tree lookup
    // instead of a scan of the whole line: column h -> rows, row v -> columns.
    std::unordered_map<int32_t, std::set<int32_t>> m_live_by_col;
    std::unordered_map<int32_t, std::set<int32_t>> m_live_by_row;
    // Cells whose weights were changed since the last reset; the next search
    // restores only these.
    std::vector<CellPos> m_weighted;
    uint64_t m_epoch = 0;
    // The ends whose lines the running default search discounts.
    CellPos m_discount_start;
    CellPos m_discount_goal;
    bool m_discounting = false;
    bool m_full_reset_search = false;
    int64_t m_last_search_visits = 0;
    std::vector<CellPos> m_changed;
    SearchArea m_searched;
    // The direction in which the last search first settled its goal;
    // FROM_START when start and goal are one cell, none when unreached.
    int m_goal_dir = -1;
};

}  // namespace Model

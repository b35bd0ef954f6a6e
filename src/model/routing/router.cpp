#include "model/routing/router.hpp"

#include <algorithm>
#include <climits>
#include <optional>
#include <queue>
#include <unordered_set>
#include <utility>

#include "common/log.hpp"

namespace Model {

namespace {

constexpr MovingDir DIRS[4] = {MovingDir::UP, MovingDir::DOWN, MovingDir::LEFT, MovingDir::RIGHT};

}  // namespace

// ---- terminals ---------------------------------------------------------------

int32_t Router::get_term_count(const CellPos& pos) const {
    auto c = m_term_counts.get(pos.h, pos.v);
    return c ? *c : 0;
}

void Router::foreach_term_cross_pos(const CellPos& pos, const PosFn& fn) const {
    m_term_counts.foreach ([&](int32_t h, int32_t v, const std::shared_ptr<int32_t>& count) {
        // A terminal sharing a column or row with pos needs no corner: the
        // straight line between them is already on the graph.
        if (h != pos.h && v != pos.v) {
            for (int32_t i = 0; i < *count; ++i) {
                fn(CellPos(h, pos.v));
                fn(CellPos(pos.h, v));
            }
        }
        return true;
    });
}

void Router::foreach_neighbor_9_nodes(const CellPos& pos, const PosFn& fn) {
    // Computed wide: a terminal pushed to the far end of the index range
    // (a huge line insert) must not overflow into a valid cell.
    for (int64_t dv = -1; dv <= 1; ++dv) {
        for (int64_t dh = -1; dh <= 1; ++dh) {
            const int64_t h = pos.h + dh;
            const int64_t v = pos.v + dv;
            if (0 <= h && h <= CellPos::MAX && 0 <= v && v <= CellPos::MAX) {
                fn(CellPos(static_cast<int32_t>(h), static_cast<int32_t>(v)));
            }
        }
    }
}

std::vector<CellPos> Router::interest_points(const CellPos& pos) const {
    std::vector<CellPos> points{pos};
    foreach_term_cross_pos(pos, [&](const CellPos& p) { points.push_back(p); });
    return points;
}

void Router::reference_node(RouteNode& node) {
    const bool was_live = node.get_is_referenced();
    node.reference();
    update_live_index(node, was_live);
}

void Router::unreference_node(RouteNode& node) {
    const bool was_live = node.get_is_referenced();
    node.unreference();
    update_live_index(node, was_live);
}

void Router::update_live_index(const RouteNode& node, bool was_live) {
    const bool live = node.get_is_referenced();
    if (live != was_live) {
        m_changed.push_back(node.pos);
    }
    if (live && !was_live) {
        m_live_by_col[node.pos.h].insert(node.pos.v);
        m_live_by_row[node.pos.v].insert(node.pos.h);
    } else if (was_live && !live) {
        // Looked up, not assumed: a node counted by hand from outside must
        // not take the router down with it.
        auto col = m_live_by_col.find(node.pos.h);
        if (col != m_live_by_col.end()) {
            col->second.erase(node.pos.v);
            if (col->second.empty()) {
                m_live_by_col.erase(col);
            }
        }
        auto row = m_live_by_row.find(node.pos.v);
        if (row != m_live_by_row.end()) {
            row->second.erase(node.pos.h);
            if (row->second.empty()) {
                m_live_by_row.erase(row);
            }
        }
    }
}

bool Router::add_terminatable_node(const CellPos& pos) {
    m_term_counts.set(pos.h, pos.v, std::make_shared<int32_t>(get_term_count(pos) + 1));

    std::vector<RouteNode*> new_nodes;
    for (const CellPos& p : interest_points(pos)) {
        foreach_neighbor_9_nodes(p, [&](const CellPos& q) {
            RouteNode* node = node_at(q);
            if (!node) {
                auto created = std::make_shared<RouteNode>(q);
                node = created.get();
                set(q.h, q.v, std::move(created));
                new_nodes.push_back(node);
            }
            reference_node(*node);
        });
    }
    update_link_nodes(new_nodes);

    if (RouteNode* node = node_at(pos)) {
        node->terminatable = true;
    }
    m_changed.push_back(pos);
    return true;
}

void Router::add_terminatable_nodes(const std::vector<CellPos>& positions) {
    move_terminatable_nodes({}, positions);
}

void Router::rm_terminatable_nodes(const std::vector<CellPos>& positions) {
    move_terminatable_nodes(positions, {});
}

void Router::move_terminatable_nodes(const std::vector<CellPos>& removed,
                                     const std::vector<CellPos>& added) {
    std::vector<CellPos> dirty;
    dirty.reserve(removed.size() + added.size());
    for (const CellPos& p : removed) {
        const int32_t count = get_term_count(p);
        if (count < 1) {
            continue;
        }
        if (count == 1) {
            m_term_counts.remove(p.h, p.v);
        } else {
            m_term_counts.set(p.h, p.v, std::make_shared<int32_t>(count - 1));
        }
        dirty.push_back(p);
    }
    for (const CellPos& p : added) {
        m_term_counts.set(p.h, p.v, std::make_shared<int32_t>(get_term_count(p) + 1));
        dirty.push_back(p);
    }
    if (!dirty.empty()) {
        sync_graph_with_terms(&dirty);
        // A node that was live already can still become or stop being a
        // terminal, which no liveness change records.
        m_changed.insert(m_changed.end(), dirty.begin(), dirty.end());
    }
}

bool Router::rm_terminatable_node(const CellPos& pos) {
    const int32_t count = get_term_count(pos);
    if (count < 1) {
        return true;
    }

    std::vector<RouteNode*> dead;
    std::unordered_set<const RouteNode*> dead_set;
    for (const CellPos& p : interest_points(pos)) {
        foreach_neighbor_9_nodes(p, [&](const CellPos& q) {
            RouteNode* node = node_at(q);
            if (!node) {
                return;
            }
            unreference_node(*node);
            if (!node->get_is_referenced() && dead_set.insert(node).second) {
                dead.push_back(node);
            }
        });
    }

    // Links are mutual, so every live node that pointed at a dead one is
    // reached from the dead side.
    std::vector<RouteNode*> survivors;
    std::unordered_set<const RouteNode*> survivor_set;
    for (RouteNode* d : dead) {
        for (RouteNode* l : d->links) {
            if (l && !dead_set.count(l) && survivor_set.insert(l).second) {
                survivors.push_back(l);
            }
        }
    }
    update_link_nodes(survivors);

    if (!dead.empty()) {
        // Search state may point at the dead nodes; retire all of it.
        ++m_epoch;
    }
    for (RouteNode* d : dead) {
        const CellPos q = d->pos;
        remove(q.h, q.v);  // destroys d
    }

    if (count - 1 < 1) {
        m_term_counts.remove(pos.h, pos.v);
        if (RouteNode* node = node_at(pos)) {
            node->terminatable = false;
        }
        m_changed.push_back(pos);
    } else {
        m_term_counts.set(pos.h, pos.v, std::make_shared<int32_t>(count - 1));
    }
    return true;
}

void Router::shift_node_at(CellDir dir, int32_t index, int32_t count) {
    if (count == 0) {
        return;
    }
    std::vector<std::pair<CellPos, int32_t>> moved;
    m_term_counts.foreach ([&](int32_t h, int32_t v, const std::shared_ptr<int32_t>& n) {
        const CellPos p(h, v);
        if (p.get(dir) >= index) {
            moved.emplace_back(p, *n);
        }
        return true;
    });
    if (moved.empty()) {
        return;
    }
    // Every terminal of a cell moves: leaving one behind would keep a
    // phantom terminal, which blocks routes, in a cell that is now empty.
    // All are taken out before any is put back, so a terminal landing on a
    // cell still to be moved is not moved twice.
    for (const auto& [p, n] : moved) {
        m_term_counts.remove(p.h, p.v);
    }
    // Computed wide: a huge count must not wrap a coordinate around.
    auto shifted = [&](CellPos p) {
        const int64_t moved_to = static_cast<int64_t>(p.get(dir)) + count;
        p.set(dir, static_cast<int32_t>(std::clamp<int64_t>(moved_to, INT32_MIN, INT32_MAX)));
        return p;
    };
    for (const auto& [p, n] : moved) {
        const CellPos q = shifted(p);
        m_term_counts.set(q.h, q.v, std::make_shared<int32_t>(get_term_count(q) + n));
    }
    // The graph moves with its terminals, so every node beyond the line dies
    // and is born again one cell on; recorded, that would mark every route
    // as changed. What changed before moves with the cells instead, and a
    // route near the line is the caller's to look at.
    std::vector<CellPos> changed = std::move(m_changed);
    for (CellPos& p : changed) {
        if (p.get(dir) >= index) {
            p = shifted(p);
        }
    }
    sync_graph_with_terms();
    m_changed = std::move(changed);
}

void Router::rm_terminatable_node_at(CellDir dir, int32_t index, int32_t count) {
    if (count <= 0) {
        return;
    }
    const int64_t last = static_cast<int64_t>(index) + count - 1;
    std::vector<CellPos> doomed;
    m_term_counts.foreach ([&](int32_t h, int32_t v, const std::shared_ptr<int32_t>&) {
        const CellPos p(h, v);
        if (p.get(dir) >= index && p.get(dir) <= last) {
            doomed.push_back(p);
        }
        return true;
    });
    if (doomed.empty()) {
        return;
    }
    // The whole cell goes, so every terminal registered there goes with it.
    for (const CellPos& p : doomed) {
        m_term_counts.remove(p.h, p.v);
    }
    sync_graph_with_terms();
}

void Router::sync_graph_with_terms(const std::vector<CellPos>* dirty) {
    // Interest points with their multiplicity. An ordered pair of terminals
    // (t, o) puts a corner at (o.h, t.v) when they share neither column nor
    // row, once per terminal counted at each; so a cell (x, y) is a corner
    // (row y's terminals outside column x) x (column x's outside row y)
    // times. That is what adding the terminals one by one sums up to.
    std::unordered_map<int32_t, int64_t> row_sum;
    std::unordered_map<int32_t, int64_t> col_sum;
    m_term_counts.foreach ([&](int32_t h, int32_t v, const std::shared_ptr<int32_t>& n) {
        row_sum[v] += *n;
        col_sum[h] += *n;
        return true;
    });
    auto multiplicity = [&](const CellPos& p) -> int64_t {
        const auto r = row_sum.find(p.v);
        const auto c = col_sum.find(p.h);
        if (r == row_sum.end() || c == col_sum.end()) {
            return 0;
        }
        const int64_t here = get_term_count(p);
        return here + std::max<int64_t>(0, (r->second - here) * (c->second - here));
    };

    // A node's count sums the multiplicities of the 3 x 3 cells around it.
    // A changed terminal changes the sums of its row and column and so the
    // multiplicities along them; beyond one cell from those lines no count
    // changes. A few changed lines of many are worth rebuilding alone.
    std::unordered_set<int32_t> rows;
    std::unordered_set<int32_t> cols;
    if (dirty) {
        for (const CellPos& p : *dirty) {
            for (int64_t d = -1; d <= 1; ++d) {
                if (p.v + d >= 0 && p.v + d <= CellPos::MAX) {
                    rows.insert(static_cast<int32_t>(p.v + d));
                }
                if (p.h + d >= 0 && p.h + d <= CellPos::MAX) {
                    cols.insert(static_cast<int32_t>(p.h + d));
                }
            }
        }
    }
    const bool partial = dirty && rows.size() + cols.size() < row_sum.size() + col_sum.size();

    std::unordered_map<CellPos, int64_t> wanted;
    std::vector<RouteNode*> existing;
    if (!partial) {
        std::unordered_map<CellPos, int64_t> points;
        for (const auto& [y, in_row] : row_sum) {
            for (const auto& [x, in_col] : col_sum) {
                const int64_t m = multiplicity(CellPos(x, y));
                if (m > 0) {
                    points[CellPos(x, y)] += m;
                }
            }
        }
        for (const auto& [p, m] : points) {
            foreach_neighbor_9_nodes(p, [&, m = m](const CellPos& q) { wanted[q] += m; });
        }
        foreach ([&](int32_t, int32_t, const std::shared_ptr<RouteNode>& node) {
            existing.push_back(node.get());
            return true;
        })
            ;
    } else {
        // Only the counts of nodes within a cell of the changed lines,
        // from the multiplicities of the cells within two of them, and the
        // nodes there now.
        auto in_band = [&](const CellPos& q) { return rows.count(q.v) || cols.count(q.h); };
        auto spread = [&](const CellPos& p) {
            const int64_t m = multiplicity(p);
            if (m > 0) {
                foreach_neighbor_9_nodes(p, [&](const CellPos& q) {
                    if (in_band(q)) {
                        wanted[q] += m;
                    }
                });
            }
        };
        auto near_band = [](const std::unordered_set<int32_t>& lines, int32_t i) {
            return lines.count(i) || (i > 0 && lines.count(i - 1)) ||
                   (i < CellPos::MAX && lines.count(i + 1));
        };
        for (const auto& [y, in_row] : row_sum) {
            const bool row_near = near_band(rows, y);
            for (const auto& [x, in_col] : col_sum) {
                if (row_near || near_band(cols, x)) {
                    spread(CellPos(x, y));
                }
            }
        }
        for (const int32_t y : rows) {
            if (auto it = m_live_by_row.find(y); it != m_live_by_row.end()) {
                for (const int32_t x : it->second) {
                    if (RouteNode* node = node_at(CellPos(x, y))) {
                        existing.push_back(node);
                    }
                }
            }
        }
        for (const int32_t x : cols) {
            if (auto it = m_live_by_col.find(x); it != m_live_by_col.end()) {
                for (const int32_t y : it->second) {
                    // Those on a changed row are listed already.
                    RouteNode* node = rows.count(y) ? nullptr : node_at(CellPos(x, y));
                    if (node) {
                        existing.push_back(node);
                    }
                }
            }
        }
    }

    // Settle every node's count; a node that drops to 0 is dead.
    std::vector<RouteNode*> dead;
    std::vector<RouteNode*> to_link;
    for (RouteNode* node : existing) {
        auto it = wanted.find(node->pos);
        const int64_t want = it == wanted.end() ? 0 : it->second;
        const bool was_live = node->get_is_referenced();
        node->refs = static_cast<int32_t>(want);
        update_live_index(*node, was_live);
        if (want == 0) {
            dead.push_back(node);
        } else {
            wanted.erase(it);
        }
    }
    for (const auto& [q, want] : wanted) {
        auto created = std::make_shared<RouteNode>(q);
        RouteNode* node = created.get();
        set(q.h, q.v, std::move(created));
        node->refs = static_cast<int32_t>(want);
        update_live_index(*node, false);
        to_link.push_back(node);
        existing.push_back(node);
    }

    // Live nodes that pointed at a dead one relink across the gap; new nodes
    // link themselves in and redirect their neighbours.
    std::unordered_set<const RouteNode*> queued(to_link.begin(), to_link.end());
    for (RouteNode* d : dead) {
        for (RouteNode* l : d->links) {
            if (l && l->get_is_referenced() && queued.insert(l).second) {
                to_link.push_back(l);
            }
        }
    }
    update_link_nodes(to_link);
    // Terminal counts changed only where nodes were looked at.
    for (RouteNode* node : existing) {
        node->terminatable = get_term_count(node->pos) > 0;
    }
    if (!dead.empty()) {
        ++m_epoch;
    }
    for (RouteNode* d : dead) {
        const CellPos q = d->pos;
        remove(q.h, q.v);
    }
}

void Router::insert_row(int32_t index, int32_t count, const CellFn&) {
    shift_node_at(CellDir::V, index, count);
}

void Router::insert_col(int32_t index, int32_t count, const CellFn&) {
    shift_node_at(CellDir::H, index, count);
}

void Router::remove_row(int32_t index, int32_t count, const CellFn&, const CellFn&) {
    rm_terminatable_node_at(CellDir::V, index, count);
    shift_node_at(CellDir::V, index, -count);
}

void Router::remove_col(int32_t index, int32_t count, const CellFn&, const CellFn&) {
    rm_terminatable_node_at(CellDir::H, index, count);
    shift_node_at(CellDir::H, index, -count);
}

// ---- linking -------------------------------------------------------------------

RouteNode* Router::get_nearest_node(const CellPos& pos, MovingDir dir) const {
    // The nearest live cell beyond pos on its line, within 0 .. MAX.
    auto before = [](const std::set<int32_t>& line, int32_t i) -> std::optional<int32_t> {
        auto it = line.lower_bound(i);
        if (it == line.begin()) {
            return std::nullopt;
        }
        --it;
        return *it >= 0 ? std::optional<int32_t>(*it) : std::nullopt;
    };
    auto after = [](const std::set<int32_t>& line, int32_t i) -> std::optional<int32_t> {
        auto it = line.upper_bound(i);
        if (it == line.end() || *it > CellPos::MAX) {
            return std::nullopt;
        }
        return *it;
    };
    const bool vertical = dir == MovingDir::UP || dir == MovingDir::DOWN;
    const auto& index = vertical ? m_live_by_col : m_live_by_row;
    auto line = index.find(vertical ? pos.h : pos.v);
    if (line == index.end()) {
        return nullptr;
    }
    std::optional<int32_t> found;
    switch (dir) {
        case MovingDir::UP:
            if (pos.v >= 1) {
                found = before(line->second, pos.v);
            }
            break;
        case MovingDir::DOWN:
            if (pos.v < CellPos::MAX) {
                found = after(line->second, pos.v);
            }
            break;
        case MovingDir::LEFT:
            if (pos.h >= 1) {
                found = before(line->second, pos.h);
            }
            break;
        case MovingDir::RIGHT:
            if (pos.h < CellPos::MAX) {
                found = after(line->second, pos.h);
            }
            break;
    }
    if (!found) {
        return nullptr;
    }
    return vertical ? node_at(CellPos(pos.h, *found)) : node_at(CellPos(*found, pos.v));
}

void Router::link_nearest(RouteNode& node, MovingDir dir) {
    RouteNode* n = get_nearest_node(node.pos, dir);
    if (n) {
        n->set_link(inv(dir), &node);
    }
    node.set_link(dir, n);
}

void Router::update_link_nodes(const std::vector<RouteNode*>& nodes) {
    for (RouteNode* node : nodes) {
        LX_RETURN_IF_FAIL(node != nullptr);
        for (MovingDir d : DIRS) {
            link_nearest(*node, d);
        }
    }
}

// ---- weights and search ----------------------------------------------------------

void Router::init_node() {
    auto reset = [this](int32_t h, int32_t v, const std::shared_ptr<RouteNode>& node) {
        node->weights.fill(RouteNode::BASE_WEIGHT);
        node->dist = RouteNode::DIST_UNREACHED;
        node->pred = nullptr;
        node->dist_in.fill(RouteNode::DIST_UNREACHED);
        node->pred_in.fill(nullptr);
        node->epoch = m_epoch;
        node->pos = CellPos(h, v);
        return true;
    };
    foreach (reset)
        ;
    m_weighted.clear();
}

void Router::gain_weight_on_directed_line(RouteNode& node, double factor, MovingDir dir) {
    RouteNode* cur = &node;
    while (RouteNode* next = cur->get_link(dir)) {
        cur->set_weight(dir, static_cast<int32_t>(cur->get_weight(dir) * factor));
        m_weighted.push_back(cur->pos);
        cur = next;
    }
}

void Router::set_recommended_path_weight(const CellPos& start, const CellPos& goal) {
    for (const CellPos& end : {start, goal}) {
        RouteNode* node = node_at(end);
        if (!node) {
            continue;
        }
        for (MovingDir d : DIRS) {
            const bool vertical = d == MovingDir::UP || d == MovingDir::DOWN;
            gain_weight_on_directed_line(*node, vertical ? 0.2 : 0.5, d);
        }
    }
}

void Router::restore_weights() {
    for (const CellPos& p : m_weighted) {
        if (RouteNode* node = node_at(p)) {
            node->weights.fill(RouteNode::BASE_WEIGHT);
        }
    }
    m_weighted.clear();
}

namespace {

// Whether p lies on the line that leaves end in direction d, end included:
// the cells gain_weight_on_directed_line walks from end.
bool on_ray(const CellPos& p, const CellPos& end, MovingDir d) {
    switch (d) {
        case MovingDir::UP:
            return p.h == end.h && p.v <= end.v;
        case MovingDir::DOWN:
            return p.h == end.h && p.v >= end.v;
        case MovingDir::LEFT:
            return p.v == end.v && p.h <= end.h;
        case MovingDir::RIGHT:
            return p.v == end.v && p.h >= end.h;
    }
    return false;
}

}  // namespace

int32_t Router::hop_weight(const RouteNode& node, MovingDir d) const {
    int32_t w = node.get_weight(d);
    if (!m_discounting) {
        return w;
    }
    const double factor = d == MovingDir::UP || d == MovingDir::DOWN ? 0.2 : 0.5;
    for (const CellPos& end : {m_discount_start, m_discount_goal}) {
        if (on_ray(node.pos, end, d)) {
            w = static_cast<int32_t>(w * factor);
        }
    }
    return w;
}

void Router::trace_pred(Route& route, const CellPos& goal) const {
    std::vector<CellPos> chain;
    const RouteNode* n = node_at(goal);
    if (n == nullptr || m_goal_dir < 0 || n->epoch != m_epoch) {
        // Unreached: the goal cell alone.
        if (n != nullptr) {
            route.cells.push_back(n->pos);
        }
        return;
    }
    size_t dir = static_cast<size_t>(m_goal_dir);
    while (n != nullptr) {
        chain.push_back(n->pos);
        if (dir == RouteNode::FROM_START) {
            break;
        }
        const RouteNode* p = n->pred_in[dir];
        dir = n->pred_dir_in[dir];
        n = p;
    }
    route.cells.insert(route.cells.begin(), chain.rbegin(), chain.rend());
}

void Router::touch(RouteNode& node) const {
    if (node.epoch != m_epoch) {
        node.epoch = m_epoch;
        node.dist = RouteNode::DIST_UNREACHED;
        node.pred = nullptr;
        node.dist_in.fill(RouteNode::DIST_UNREACHED);
        node.pred_in.fill(nullptr);
    }
}

void Router::search(RouteNode& start, const RouteNode& goal) {
    // The search runs over (node, direction of arrival), so that a turn can
    // cost: the cheapest way into a node need not be the best one to go on
    // from in every direction.
    struct Entry {
        int32_t dist;
        uint64_t seq;  // first offered, first polled among equal distances
        RouteNode* node;
        uint8_t dir;
        bool operator>(const Entry& o) const {
            return dist != o.dist ? dist > o.dist : seq > o.seq;
        }
    };
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
    uint64_t seq = 0;

    touch(start);
    start.dist = 0;
    start.dist_in[RouteNode::FROM_START] = 0;
    queue.push(Entry{0, seq++, &start, static_cast<uint8_t>(RouteNode::FROM_START)});
    m_searched = SearchArea{start.pos.h, start.pos.v, start.pos.h, start.pos.v};
    auto look_at = [this](const CellPos& p) {
        m_searched.h0 = std::min(m_searched.h0, p.h);
        m_searched.v0 = std::min(m_searched.v0, p.v);
        m_searched.h1 = std::max(m_searched.h1, p.h);
        m_searched.v1 = std::max(m_searched.v1, p.v);
    };
    m_last_search_visits = 0;
    m_goal_dir = -1;

    while (!queue.empty()) {
        const Entry e = queue.top();
        queue.pop();
        RouteNode* node = e.node;
        // A state is offered again whenever its distance drops; the older
        // entries would only repeat relaxations that change nothing.
        if (node->epoch != m_epoch || e.dist != node->dist_in[e.dir]) {
            continue;
        }
        ++m_last_search_visits;
        // Costs are positive, so a polled state is settled: the first
        // arrival at the goal is the cheapest, in either kind of search.
        if (node == &goal) {
            if (m_goal_dir < 0) {
                m_goal_dir = e.dir;
            }
            if (!m_full_reset_search) {
                break;
            }
        }
        look_at(node->pos);
        for (MovingDir d : DIRS) {
            RouteNode* next = node->get_link(d);
            if (next != nullptr) {
                look_at(next->pos);
            } else {
                // A node that turns up beyond would be linked to this one.
                switch (d) {
                    case MovingDir::UP:
                        m_searched.v0 = 0;
                        break;
                    case MovingDir::DOWN:
                        m_searched.v1 = CellPos::MAX;
                        break;
                    case MovingDir::LEFT:
                        m_searched.h0 = 0;
                        break;
                    case MovingDir::RIGHT:
                        m_searched.h1 = CellPos::MAX;
                        break;
                }
            }
            if (!next || (next->terminatable && next != &goal)) {
                continue;
            }
            const size_t di = static_cast<size_t>(d);
            const bool turns = e.dir != RouteNode::FROM_START && e.dir != di;
            const int32_t nd = e.dist + hop_weight(*node, d) + (turns ? BEND_WEIGHT : 0);
            touch(*next);
            if (nd < next->dist_in[di]) {
                next->dist_in[di] = nd;
                next->pred_in[di] = node;
                next->pred_dir_in[di] = e.dir;
                if (nd < next->dist) {
                    next->dist = nd;
                    next->pred = node;
                }
                queue.push(Entry{nd, seq++, next, static_cast<uint8_t>(di)});
            }
        }
    }
}

std::shared_ptr<Route> Router::new_loop_route(const CellPos& pos) const {
    auto route = std::make_shared<Route>(pos, pos);
    // Only the cells next to the class matter; a class or a loose end
    // appearing there is a change in this block.
    route->searched =
        SearchArea{std::max(0, pos.h - 1), std::max(0, pos.v - 1),
                   std::min(CellPos::MAX, pos.h + 1), std::min(CellPos::MAX, pos.v + 1)};
    static constexpr MovingDir corners[4][2] = {{MovingDir::RIGHT, MovingDir::DOWN},
                                                {MovingDir::DOWN, MovingDir::LEFT},
                                                {MovingDir::LEFT, MovingDir::UP},
                                                {MovingDir::UP, MovingDir::RIGHT}};
    for (const auto& [out, turn] : corners) {
        CellPos a = pos;
        a.move(out, 1);
        CellPos b = a;
        b.move(turn, 1);
        CellPos c = pos;
        c.move(turn, 1);
        bool free = true;
        for (const CellPos& p : {a, b, c}) {
            free = free && p.is_valid() && get_term_count(p) == 0;
        }
        if (free) {
            route->cells = {pos, a, b, c, pos};
            return route;
        }
    }
    route->cells = {pos};
    return route;
}

std::shared_ptr<Route> Router::new_shortest_route(const CellPos& start, const CellPos& goal) {
    if (start == goal && start.is_valid() && get_term_count(start) > 0) {
        return new_loop_route(start);
    }
    auto route = std::make_shared<Route>(start, goal);
    RouteNode* s = node_at(start);
    RouteNode* g = node_at(goal);
    if (!s || !g) {
        LX_DEBUG("no route node at %s or %s", start.to_string().c_str(), goal.to_string().c_str());
        return route;
    }
    ++m_epoch;
    if (m_full_reset_search) {
        init_node();
        set_recommended_path_weight(start, goal);
    } else {
        // Discounts written by an earlier plain search or by a caller go;
        // this search applies its own as it goes.
        restore_weights();
        m_discount_start = start;
        m_discount_goal = goal;
        m_discounting = true;
    }
    search(*s, *g);
    route->searched = m_searched;
    m_discounting = false;
    trace_pred(*route, goal);
    return route;
}

}  // namespace Model

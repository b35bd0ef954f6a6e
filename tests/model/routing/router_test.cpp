#include "model/routing/router.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <queue>
#include <random>
#include <tuple>

#include "model/routing/segment.hpp"

using Model::Route;
using Model::RouteNode;
using Model::Router;

namespace {

constexpr MovingDir kDirs[4] = {MovingDir::UP, MovingDir::DOWN, MovingDir::LEFT, MovingDir::RIGHT};

// Everything observable about one node: where it links to, how often it is
// covered and whether it is a terminal. (-1, -1) stands for "no link".
struct NodeState {
    int32_t refs;
    bool terminatable;
    std::array<CellPos, 4> links;
    bool operator==(const NodeState&) const = default;
};

using Graph = std::map<CellPos, NodeState>;

Graph snapshot(const Router& r) {
    Graph g;
    r.foreach ([&](int32_t h, int32_t v, const std::shared_ptr<RouteNode>& n) {
        NodeState s{n->refs, n->terminatable, {}};
        for (int i = 0; i < 4; ++i) {
            s.links[i] = n->links[i] ? n->links[i]->pos : CellPos(-1, -1);
        }
        g[CellPos(h, v)] = s;
        return true;
    });
    return g;
}

// The nearest node strictly beyond p in direction d, by scanning every node.
CellPos brute_nearest(const Graph& g, const CellPos& p, MovingDir d) {
    CellPos best(-1, -1);
    int32_t best_dist = INT32_MAX;
    for (const auto& [q, s] : g) {
        int32_t dist = -1;
        switch (d) {
            case MovingDir::UP:
                dist = q.h == p.h && q.v < p.v ? p.v - q.v : -1;
                break;
            case MovingDir::DOWN:
                dist = q.h == p.h && q.v > p.v ? q.v - p.v : -1;
                break;
            case MovingDir::LEFT:
                dist = q.v == p.v && q.h < p.h ? p.h - q.h : -1;
                break;
            case MovingDir::RIGHT:
                dist = q.v == p.v && q.h > p.h ? q.h - p.h : -1;
                break;
        }
        if (dist > 0 && dist < best_dist) {
            best_dist = dist;
            best = q;
        }
    }
    return best;
}

// Every node is live and links exactly to its nearest neighbours.
void expect_well_linked(const Graph& g) {
    for (const auto& [p, s] : g) {
        EXPECT_GT(s.refs, 0) << p.to_string();
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(s.links[i], brute_nearest(g, p, kDirs[i]))
                << p.to_string() << " " << to_string(kDirs[i]);
        }
    }
}

std::map<CellPos, int32_t> term_counts(const Router& r) {
    std::map<CellPos, int32_t> m;
    r.get_term_counts().foreach ([&](int32_t h, int32_t v, const std::shared_ptr<int32_t>& c) {
        m[CellPos(h, v)] = *c;
        return true;
    });
    return m;
}

Router* build(Router& r, const std::vector<CellPos>& terms) {
    for (const CellPos& p : terms) {
        r.add_terminatable_node(p);
    }
    return &r;
}

void expect_same_graph(const Router& a, const std::vector<CellPos>& terms) {
    Router fresh;
    build(fresh, terms);
    EXPECT_EQ(snapshot(a), snapshot(fresh));
    EXPECT_EQ(term_counts(a), term_counts(fresh));
}

MovingDir hop_dir(const CellPos& a, const CellPos& b) {
    if (a.h == b.h) {
        return b.v < a.v ? MovingDir::UP : MovingDir::DOWN;
    }
    return b.h < a.h ? MovingDir::LEFT : MovingDir::RIGHT;
}

// The cost of route under the weights of a search between its ends,
// checking on the way that every hop follows a link and no cell but the ends
// is a terminal. -1 when the route is not a path of the graph.
int64_t route_cost(Router& r, const Route& route) {
    r.init_node();
    r.set_recommended_path_weight(route.start, route.goal);
    int64_t cost = 0;
    for (size_t i = 0; i + 1 < route.cells.size(); ++i) {
        auto a = r.get(route.cells[i].h, route.cells[i].v);
        auto b = r.get(route.cells[i + 1].h, route.cells[i + 1].v);
        if (!a || !b) {
            return -1;
        }
        const MovingDir d = hop_dir(a->pos, b->pos);
        if (a->get_link(d) != b.get() || (i > 0 && a->terminatable)) {
            return -1;
        }
        cost += a->get_weight(d);
        if (i > 0 && hop_dir(route.cells[i - 1], a->pos) != d) {
            cost += Router::BEND_WEIGHT;
        }
    }
    return cost;
}

// Dijkstra written out over the public operations, without any of the
// router's shortcuts: the whole graph is reset and the queue runs dry. A
// state is a node with the direction it was entered in (4: the start).
int64_t reference_cost(Router& r, const CellPos& start, const CellPos& goal) {
    r.init_node();
    r.set_recommended_path_weight(start, goal);
    using State = std::pair<const RouteNode*, int>;
    std::map<State, int64_t> dist;
    using Item = std::tuple<int64_t, RouteNode*, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> q;
    RouteNode* s = r.get(start.h, start.v).get();
    dist[{s, 4}] = 0;
    q.push({0, s, 4});
    int64_t best = -1;
    while (!q.empty()) {
        auto [d, n, in] = q.top();
        q.pop();
        if (d != dist[{n, in}]) {
            continue;
        }
        if (n->pos == goal && best < 0) {
            best = d;
        }
        for (MovingDir m : kDirs) {
            RouteNode* next = n->get_link(m);
            if (!next || (next->terminatable && next->pos != goal)) {
                continue;
            }
            const int out = static_cast<int>(m);
            const int64_t nd =
                d + n->get_weight(m) + (in != 4 && in != out ? Router::BEND_WEIGHT : 0);
            if (!dist.count({next, out}) || nd < dist[{next, out}]) {
                dist[{next, out}] = nd;
                q.push({nd, next, out});
            }
        }
    }
    return best;
}

}  // namespace

TEST(RouterGraphTest, OneClassMakesANineCellBlockLinkedToItsNeighbours) {
    Router r;
    r.add_terminatable_node(CellPos(5, 5));
    const Graph g = snapshot(r);
    ASSERT_EQ(g.size(), 9u);
    expect_well_linked(g);
    for (const auto& [p, s] : g) {
        EXPECT_EQ(s.refs, 1);
        EXPECT_EQ(s.terminatable, p == CellPos(5, 5));
    }
    EXPECT_EQ(g.at(CellPos(4, 4)).links[3], CellPos(5, 4));
    EXPECT_EQ(g.at(CellPos(4, 4)).links[0], CellPos(-1, -1));

    // At the table's corner the block is cut to what lies inside.
    Router corner;
    corner.add_terminatable_node(CellPos(0, 0));
    const Graph cg = snapshot(corner);
    EXPECT_EQ(cg.size(), 4u);
    expect_well_linked(cg);
}

TEST(RouterGraphTest, TwoClassesAddCornerBlocksReferencedPerCoveringPoint) {
    Router r;
    r.add_terminatable_node(CellPos(2, 2));
    r.add_terminatable_node(CellPos(6, 5));
    Graph g = snapshot(r);
    // Four disjoint blocks: the two classes and the corners (6, 2) and (2, 5).
    EXPECT_EQ(g.size(), 36u);
    EXPECT_TRUE(g.count(CellPos(6, 2)) && g.count(CellPos(2, 5)));
    EXPECT_FALSE(g.count(CellPos(4, 4)));
    expect_well_linked(g);
    // Links jump the gap between blocks.
    EXPECT_EQ(g.at(CellPos(3, 2)).links[3], CellPos(5, 2));
    EXPECT_EQ(g.at(CellPos(6, 3)).links[1], CellPos(6, 4));

    // Closer classes make the blocks overlap; (3, 3) lies in all four.
    Router near;
    build(near, {CellPos(2, 2), CellPos(4, 4)});
    g = snapshot(near);
    EXPECT_EQ(g.size(), 25u);
    EXPECT_EQ(g.at(CellPos(3, 3)).refs, 4);
    EXPECT_EQ(g.at(CellPos(1, 1)).refs, 1);
    EXPECT_EQ(g.at(CellPos(3, 2)).refs, 2);

    // Classes in one column need no corner.
    Router column;
    build(column, {CellPos(2, 2), CellPos(2, 8)});
    EXPECT_EQ(snapshot(column).size(), 18u);
}

TEST(RouterGraphTest, RemovingTheSecondClassRestoresTheFirstGraph) {
    Router r;
    r.add_terminatable_node(CellPos(2, 2));
    const Graph alone = snapshot(r);
    r.add_terminatable_node(CellPos(6, 5));
    r.rm_terminatable_node(CellPos(6, 5));
    EXPECT_EQ(snapshot(r), alone);
    EXPECT_EQ(r.get_term_count(CellPos(6, 5)), 0);

    // A cell holding two terminals keeps its node terminatable until both go.
    r.add_terminatable_node(CellPos(2, 2));
    r.rm_terminatable_node(CellPos(2, 2));
    EXPECT_TRUE(r.get(2, 2)->terminatable);
    r.rm_terminatable_node(CellPos(2, 2));
    EXPECT_EQ(r.get_node_count(), 0);
    // Removing what is not there changes nothing.
    EXPECT_TRUE(r.rm_terminatable_node(CellPos(2, 2)));
    EXPECT_EQ(r.get_node_count(), 0);
}

TEST(RouterGraphTest, RandomAddsAndRemovesMatchAGraphBuiltFromScratch) {
    std::mt19937 rng(7);
    for (int round = 0; round < 12; ++round) {
        Router r;
        std::vector<CellPos> live;
        for (int step = 0; step < 60; ++step) {
            const bool add = live.empty() || rng() % 3 != 0;
            if (add) {
                // A small area, so cells repeat and blocks overlap often.
                const CellPos p(rng() % 12, rng() % 12);
                r.add_terminatable_node(p);
                live.push_back(p);
            } else {
                const size_t i = rng() % live.size();
                r.rm_terminatable_node(live[i]);
                live.erase(live.begin() + static_cast<long>(i));
            }
        }
        const Graph g = snapshot(r);
        expect_well_linked(g);
        std::shuffle(live.begin(), live.end(), rng);
        expect_same_graph(r, live);
        if (HasFailure()) {
            FAIL() << "round " << round;
        }
    }
}

TEST(RouterGraphTest, AddingManyAtOnceGivesTheGraphOfAddingThemOneByOne) {
    std::mt19937 rng(11);
    for (int round = 0; round < 10; ++round) {
        // Some terminals already there, some cells listed twice, some lines
        // shared, as when a document is read into a router in use.
        Router bulk;
        std::vector<CellPos> before;
        for (int i = 0; i < static_cast<int>(rng() % 5); ++i) {
            before.emplace_back(rng() % 16, rng() % 16);
            bulk.add_terminatable_node(before.back());
        }
        std::vector<CellPos> added;
        for (int i = 0; i < 25; ++i) {
            added.emplace_back(rng() % 16, rng() % 16);
        }
        bulk.add_terminatable_nodes(added);

        std::vector<CellPos> all = before;
        all.insert(all.end(), added.begin(), added.end());
        expect_well_linked(snapshot(bulk));
        expect_same_graph(bulk, all);
        // The graph keeps working for the one-by-one operations.
        bulk.rm_terminatable_node(added[0]);
        all.erase(std::find(all.begin(), all.end(), added[0]));
        expect_same_graph(bulk, all);
        // A terminal moved alone rebuilds only the lines through it; many
        // rebuild all.
        for (int i = 3; i < 9; ++i) {
            const CellPos from = added[i];
            const CellPos to(from.h + static_cast<int32_t>(rng() % 3), from.v + 1);
            all.erase(std::find(all.begin(), all.end(), from));
            all.push_back(to);
            bulk.move_terminatable_nodes({from}, {to});
            expect_well_linked(snapshot(bulk));
            expect_same_graph(bulk, all);
        }
        std::vector<CellPos> gone(added.begin() + 9, added.end());
        for (const CellPos& p : gone) {
            all.erase(std::find(all.begin(), all.end(), p));
        }
        bulk.rm_terminatable_nodes(gone);
        expect_same_graph(bulk, all);
        auto route = bulk.new_shortest_route(added[1], added[2]);
        if (route->size() > 1) {
            EXPECT_EQ(route_cost(bulk, *route), reference_cost(bulk, added[1], added[2]));
        }
        ASSERT_FALSE(HasFailure()) << "round " << round;
    }
    Router empty;
    empty.add_terminatable_nodes({});
    EXPECT_EQ(empty.get_node_count(), 0);
}

TEST(RouterSearchTest, RecommendedWeightsDiscountTheLinesThroughTheEnds) {
    Router r;
    build(r, {CellPos(2, 2), CellPos(6, 2)});
    r.init_node();
    r.set_recommended_path_weight(CellPos(2, 2), CellPos(6, 2));
    auto w = [&](int h, int v, MovingDir d) { return r.get(h, v)->get_weight(d); };
    EXPECT_EQ(w(2, 2, MovingDir::RIGHT), 50);
    EXPECT_EQ(w(5, 2, MovingDir::RIGHT), 50);
    EXPECT_EQ(w(6, 2, MovingDir::RIGHT), 25);   // on the start's line and the goal's
    EXPECT_EQ(w(7, 2, MovingDir::RIGHT), 100);  // the end of the line has no hop
    EXPECT_EQ(w(2, 2, MovingDir::LEFT), 25);
    EXPECT_EQ(w(2, 2, MovingDir::UP), 20);
    EXPECT_EQ(w(2, 1, MovingDir::UP), 100);
    EXPECT_EQ(w(2, 1, MovingDir::DOWN), 100);  // leads toward the start, not away
    EXPECT_EQ(w(3, 3, MovingDir::RIGHT), 100);
}

TEST(RouterSearchTest, RoutesFollowLinksAndAvoidOtherClasses) {
    Router r;
    build(r, {CellPos(2, 2), CellPos(6, 5)});
    auto route = r.new_shortest_route(CellPos(2, 2), CellPos(6, 5));
    ASSERT_GE(route->size(), 2u);
    EXPECT_EQ(route->cells.front(), CellPos(2, 2));
    EXPECT_EQ(route->cells.back(), CellPos(6, 5));
    EXPECT_EQ(route->start, CellPos(2, 2));
    EXPECT_EQ(route->goal, CellPos(6, 5));
    EXPECT_EQ(route_cost(r, *route), reference_cost(r, CellPos(2, 2), CellPos(6, 5)));

    // A class between two others in one column: the straight line would be
    // cheapest, but it must go round.
    Router col;
    build(col, {CellPos(3, 2), CellPos(3, 8), CellPos(3, 5)});
    route = col.new_shortest_route(CellPos(3, 2), CellPos(3, 8));
    ASSERT_GE(route->size(), 2u);
    EXPECT_EQ(route->cells.back(), CellPos(3, 8));
    for (const CellPos& p : route->cells) {
        EXPECT_NE(p, CellPos(3, 5));
    }
    EXPECT_GT(route_cost(col, *route), 0);
    EXPECT_GT(route->new_segments().size(), 1u);
}

TEST(RouterSearchTest, DegenerateEnds) {
    Router r;
    // The goal's four neighbours are classes: it cannot be entered.
    build(r, {CellPos(1, 1), CellPos(5, 5), CellPos(5, 4), CellPos(5, 6), CellPos(4, 5),
              CellPos(6, 5)});
    auto route = r.new_shortest_route(CellPos(1, 1), CellPos(5, 5));
    ASSERT_EQ(route->size(), 1u);
    EXPECT_EQ(route->cells[0], CellPos(5, 5));
    EXPECT_TRUE(route->new_segments().empty());
    // ... though its neighbours are reachable.
    EXPECT_GE(r.new_shortest_route(CellPos(1, 1), CellPos(5, 4))->size(), 2u);

    // From a class to itself: a loop out of its right side, round the free
    // corner cell and back in at its bottom. With (5, 5) walled in there
    // is no room.
    route = r.new_shortest_route(CellPos(1, 1), CellPos(1, 1));
    EXPECT_EQ(route->cells, (std::vector<CellPos>{CellPos(1, 1), CellPos(2, 1), CellPos(2, 2),
                                                  CellPos(1, 2), CellPos(1, 1)}));
    EXPECT_EQ(route->new_segments().size(), 4u);
    EXPECT_EQ(r.new_shortest_route(CellPos(5, 5), CellPos(5, 5))->size(), 1u);
    // A neighbour taken turns the loop to the next corner clockwise.
    r.add_terminatable_node(CellPos(2, 2));
    EXPECT_EQ(r.new_shortest_route(CellPos(1, 1), CellPos(1, 1))->cells,
              (std::vector<CellPos>{CellPos(1, 1), CellPos(1, 2), CellPos(0, 2), CellPos(0, 1),
                                    CellPos(1, 1)}));

    EXPECT_TRUE(r.new_shortest_route(CellPos(1, 1), CellPos(40, 40))->empty());
    EXPECT_TRUE(r.new_shortest_route(CellPos(40, 40), CellPos(1, 1))->empty());
}

TEST(RouterSearchTest, FastSearchFindsTheSameRoutesAsTheFullOne) {
    std::mt19937 rng(11);
    for (int round = 0; round < 10; ++round) {
        Router fast;
        Router full;
        full.set_full_reset_search(true);
        std::vector<CellPos> terms;
        // Later rounds are larger, with long lines through the ends, where
        // the discounts of the search reach far.
        const int count = round < 5 ? 14 : 80;
        const unsigned side = round < 5 ? 20 : 48;
        for (int i = 0; i < count; ++i) {
            const CellPos p(rng() % side, rng() % side);
            terms.push_back(p);
            fast.add_terminatable_node(p);
            full.add_terminatable_node(p);
        }
        // Drop a few, so searches also run on a graph that shrank.
        for (int i = 0; i < 3; ++i) {
            fast.rm_terminatable_node(terms.back());
            full.rm_terminatable_node(terms.back());
            terms.pop_back();
        }
        int64_t fast_visits = 0;
        int64_t full_visits = 0;
        for (int k = 0; k < 20; ++k) {
            const CellPos a = terms[rng() % terms.size()];
            const CellPos b = terms[rng() % terms.size()];
            if (a == b) {
                continue;  // a loop, which no search finds
            }
            auto rf = fast.new_shortest_route(a, b);
            fast_visits += fast.get_last_search_visits();
            auto rs = full.new_shortest_route(a, b);
            full_visits += full.get_last_search_visits();
            ASSERT_EQ(rf->cells, rs->cells) << a.to_string() << " -> " << b.to_string();
            const int64_t ref = reference_cost(full, a, b);
            if (ref < 0) {
                EXPECT_EQ(rf->size(), 1u);
            } else {
                EXPECT_EQ(route_cost(full, *rf), ref);
            }
        }
        EXPECT_LT(fast_visits, full_visits);
    }
}

TEST(RouterLinesTest, InsertingAndRemovingLinesMovesTerminals) {
    Router r;
    build(r, {CellPos(2, 2), CellPos(4, 5), CellPos(6, 3)});
    r.insert_row(3, 2);
    expect_same_graph(r, {CellPos(2, 2), CellPos(4, 7), CellPos(6, 5)});
    r.insert_col(0, 1);
    expect_same_graph(r, {CellPos(3, 2), CellPos(5, 7), CellPos(7, 5)});

    Router rm;
    build(rm, {CellPos(2, 2), CellPos(4, 3), CellPos(5, 4), CellPos(6, 6)});
    rm.remove_row(3, 2);
    expect_same_graph(rm, {CellPos(2, 2), CellPos(6, 4)});
    rm.remove_col(2, 1);
    expect_same_graph(rm, {CellPos(5, 4)});

    // Through the table's generic entry points as well.
    rm.insert_line(CellDir::V, 0, 3);
    expect_same_graph(rm, {CellPos(5, 7)});

    // Pushed off the table: the terminal stays registered but has no nodes.
    rm.insert_row(0, INT32_MAX);
    EXPECT_EQ(rm.get_node_count(), 0);
    EXPECT_EQ(rm.get_term_count(CellPos(5, INT32_MAX)), 1);
}

TEST(RouterLinesTest, AllTerminalsOfACellMoveAndGoTogether) {
    Router r;
    build(r, {CellPos(2, 4), CellPos(2, 4), CellPos(5, 1)});
    r.insert_row(4, 1);
    expect_same_graph(r, {CellPos(2, 5), CellPos(2, 5), CellPos(5, 1)});
    EXPECT_EQ(r.get_term_count(CellPos(2, 4)), 0);
    // A terminal landing on a cell that is still to be moved moves only once.
    build(r, {CellPos(7, 6)});
    r.insert_row(5, 1);
    expect_same_graph(r, {CellPos(2, 6), CellPos(2, 6), CellPos(5, 1), CellPos(7, 7)});

    r.remove_row(6, 1);
    expect_same_graph(r, {CellPos(5, 1), CellPos(7, 6)});
}

TEST(RouterLinesTest, RandomLineChangesMatchAGraphBuiltFromScratch) {
    std::mt19937 rng(5);
    for (int round = 0; round < 8; ++round) {
        Router r;
        std::vector<CellPos> terms;
        for (int i = 0; i < 15; ++i) {
            terms.emplace_back(rng() % 14, rng() % 14);
            r.add_terminatable_node(terms.back());
        }
        for (int step = 0; step < 6; ++step) {
            const CellDir dir = rng() % 2 ? CellDir::H : CellDir::V;
            const int32_t index = static_cast<int32_t>(rng() % 14);
            const int32_t count = 1 + static_cast<int32_t>(rng() % 3);
            std::vector<CellPos> next;
            if (rng() % 2) {
                r.insert_line(dir, index, count);
                for (CellPos p : terms) {
                    if (p.get(dir) >= index) {
                        p.set(dir, p.get(dir) + count);
                    }
                    next.push_back(p);
                }
            } else {
                r.remove_line(dir, index, count);
                for (CellPos p : terms) {
                    if (p.get(dir) >= index + count) {
                        p.set(dir, p.get(dir) - count);
                    } else if (p.get(dir) >= index) {
                        continue;
                    }
                    next.push_back(p);
                }
            }
            terms = next;
            expect_well_linked(snapshot(r));
            expect_same_graph(r, terms);
            ASSERT_FALSE(HasFailure()) << "round " << round << " step " << step;
            // Searches keep working on the rebuilt graph.
            if (terms.size() >= 2) {
                auto route = r.new_shortest_route(terms[0], terms[1]);
                if (route->size() > 1) {
                    EXPECT_EQ(route_cost(r, *route), reference_cost(r, terms[0], terms[1]));
                }
            }
        }
    }
}

TEST(RouteTest, CutsIntoLinkedStraightSegments) {
    Route route;
    route.cells = {CellPos(2, 2), CellPos(2, 3), CellPos(2, 4), CellPos(3, 4), CellPos(4, 4)};
    auto segs = route.new_segments();
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_EQ(segs[0]->start, CellPos(2, 2));
    EXPECT_EQ(segs[0]->end, CellPos(2, 4));
    EXPECT_EQ(segs[1]->start, CellPos(2, 4));
    EXPECT_EQ(segs[1]->end, CellPos(4, 4));
    EXPECT_EQ(segs[0]->next, segs[1].get());
    EXPECT_EQ(segs[1]->prev, segs[0].get());
    EXPECT_EQ(segs[0]->prev, nullptr);
    EXPECT_EQ(segs[1]->next, nullptr);

    route.cells = {CellPos(1, 1), CellPos(5, 1)};
    segs = route.new_segments();
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_EQ(segs[0]->end, CellPos(5, 1));

    route.cells = {CellPos(1, 1)};
    EXPECT_TRUE(route.new_segments().empty());
}

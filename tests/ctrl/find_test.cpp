#include "ctrl/find.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"

namespace {

using Ctrl::Find::find_class;

std::shared_ptr<Model::ClassElement> put(Model::Workspace& ws, const CellPos& pos,
                                         const std::string& name,
                                         const std::string& block1 = std::string()) {
    EXPECT_TRUE(ws.add_class(pos));
    auto klass =
        std::dynamic_pointer_cast<Model::ClassElement>(ws.get_element_cells()->get(pos.h, pos.v));
    klass->name_elem->set_text(name);
    if (!block1.empty()) {
        klass->block1_shown = true;
        klass->block1_elem->set_text(block1);
    }
    return klass;
}

bool row_major(const CellPos& a, const CellPos& b) {
    return a.v != b.v ? a.v < b.v : a.h < b.h;
}

// Random diagrams and random starting cells: find goes to the next match in
// row-major order after the start (the previous one backwards), wraps at
// the ends and comes back to the start's own class last.
TEST(FindTest, OrderAndWrappingMatchAPlainScan) {
    std::mt19937 rng(2222);
    const std::vector<std::string> names{"Order",     "ORDERLINE", "Customer", "custom", "Ärger",
                                         "ärgerlich", "Σοφία",     "ΣΟΦΙΑ",    "Item"};
    const std::vector<std::string> needles{"order", "CUSTOM", "ärg", "σοφ", "item", "zzz", "e"};
    std::uniform_int_distribution<int> coord(0, 7);
    std::uniform_int_distribution<size_t> pick_name(0, names.size() - 1);
    for (int round = 0; round < 40; ++round) {
        Model::Workspace ws;
        std::vector<std::pair<CellPos, std::string>> placed;
        for (int i = 0; i < 12; ++i) {
            const CellPos pos(coord(rng), coord(rng));
            if (ws.get_element_cells()->get(pos.h, pos.v)) {
                continue;
            }
            const std::string name = names[pick_name(rng)];
            put(ws, pos, name);
            placed.emplace_back(pos, name);
        }
        std::sort(placed.begin(), placed.end(),
                  [](const auto& a, const auto& b) { return row_major(a.first, b.first); });
        for (const std::string& needle : needles) {
            const std::string folded = Ctrl::Find::fold(needle);
            std::vector<CellPos> hits;
            for (const auto& [pos, name] : placed) {
                if (Ctrl::Find::fold(name).find(folded) != std::string::npos) {
                    hits.push_back(pos);
                }
            }
            for (int t = 0; t < 6; ++t) {
                const CellPos from(coord(rng), coord(rng));
                std::optional<CellPos> want_fwd;
                std::optional<CellPos> want_back;
                if (!hits.empty()) {
                    auto after = std::find_if(hits.begin(), hits.end(),
                                              [&](const CellPos& p) { return row_major(from, p); });
                    want_fwd = after == hits.end() ? hits.front() : *after;
                    auto before = std::find_if(hits.rbegin(), hits.rend(), [&](const CellPos& p) {
                        return row_major(p, from);
                    });
                    want_back = before == hits.rend() ? hits.back() : *before;
                }
                EXPECT_EQ(find_class(ws, needle, from, true), want_fwd) << needle;
                EXPECT_EQ(find_class(ws, needle, from, false), want_back) << needle;
            }
        }
    }
}

TEST(FindTest, MatchesAnyCaseAnyScriptNameOrShownBlock) {
    Model::Workspace ws;
    put(ws, CellPos(3, 0), "Straße");
    put(ws, CellPos(0, 1), "Plain", "+ größe: int");
    auto hidden = put(ws, CellPos(1, 1), "Other", "secret");
    hidden->block1_shown = false;
    put(ws, CellPos(2, 2), "ΣΟΦΙΑ");
    // Case folding of every script; a decomposed "ö" equals the composed one.
    EXPECT_EQ(find_class(ws, "STRASSE", CellPos(0, 0), true), CellPos(3, 0));
    EXPECT_EQ(find_class(ws, "gro\u0308\u00dfe", CellPos(0, 0), true), CellPos(0, 1));
    EXPECT_EQ(find_class(ws, "σοφια", CellPos(0, 0), true), CellPos(2, 2));
    // A hidden block is not searched; an empty text finds nothing.
    EXPECT_EQ(find_class(ws, "secret", CellPos(0, 0), true), std::nullopt);
    EXPECT_EQ(find_class(ws, "", CellPos(0, 0), true), std::nullopt);
    // The only match is found from its own cell, by wrapping.
    EXPECT_EQ(find_class(ws, "plain", CellPos(0, 1), true), CellPos(0, 1));
}

}  // namespace

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

bool row_major(const CellPos& a, const CellPos& b) {
    return a.v != b.v ? a.v < b.v : a.h < b.h;
}

// Random diagrams and starts, compared with a plain scan: forward goes to
// the next match in row-major order, backward to the previous one, both
// wrap, and the start's own class comes last. Names and texts differ in
// case and script.
TEST(FindTest, OrderAndWrappingMatchAPlainScan) {
    std::mt19937 rng(2222);
    // name, and whether each needle below matches it
    const std::vector<std::pair<std::string, std::string>> names{
        {"Order", "10001"}, {"ORDERLINE", "10001"}, {"Customer", "01001"},    {"Straße", "00101"},
        {"ΣΟΦΙΑ", "00010"}, {"σοφία", "00000"},     {"gro\u0308sse", "00001"}};
    const std::vector<std::string> needles{"order", "CUSTOM", "STRASS", "σοφια", "e"};
    std::uniform_int_distribution<int> coord(0, 7);
    std::uniform_int_distribution<size_t> pick(0, names.size() - 1);
    for (int round = 0; round < 40; ++round) {
        Model::Workspace ws;
        std::vector<std::pair<CellPos, size_t>> placed;
        for (int i = 0; i < 12; ++i) {
            const CellPos pos(coord(rng), coord(rng));
            if (!ws.add_class(pos)) {
                continue;
            }
            const size_t n = pick(rng);
            std::dynamic_pointer_cast<Model::ClassElement>(
                ws.get_element_cells()->get(pos.h, pos.v))
                ->name_elem->set_text(names[n].first);
            placed.emplace_back(pos, n);
        }
        std::sort(placed.begin(), placed.end(),
                  [](const auto& a, const auto& b) { return row_major(a.first, b.first); });
        for (size_t k = 0; k < needles.size(); ++k) {
            std::vector<CellPos> hits;
            for (const auto& [pos, n] : placed) {
                if (names[n].second[k] == '1') {
                    hits.push_back(pos);
                }
            }
            const CellPos from(coord(rng), coord(rng));
            std::optional<CellPos> fwd, back;
            if (!hits.empty()) {
                auto a = std::find_if(hits.begin(), hits.end(),
                                      [&](const CellPos& p) { return row_major(from, p); });
                fwd = a == hits.end() ? hits.front() : *a;
                auto b = std::find_if(hits.rbegin(), hits.rend(),
                                      [&](const CellPos& p) { return row_major(p, from); });
                back = b == hits.rend() ? hits.back() : *b;
            }
            EXPECT_EQ(find_class(ws, needles[k], from, true), fwd) << needles[k];
            EXPECT_EQ(find_class(ws, needles[k], from, false), back) << needles[k];
        }
    }
}

TEST(FindTest, ShownBlocksCountHiddenOnesDoNot) {
    Model::Workspace ws;
    ASSERT_TRUE(ws.add_class(CellPos(1, 1)));
    auto klass = std::dynamic_pointer_cast<Model::ClassElement>(ws.get_element_cells()->get(1, 1));
    klass->block1_elem->set_text("+ größe: int");
    EXPECT_EQ(find_class(ws, "GRÖSSE", CellPos(0, 0), true), std::nullopt);
    klass->block1_shown = true;
    EXPECT_EQ(find_class(ws, "GRÖSSE", CellPos(0, 0), true), CellPos(1, 1));
    EXPECT_EQ(find_class(ws, "", CellPos(0, 0), true), std::nullopt);
    // Invalid UTF-8 (a hostile file) is compared as it is, not dropped.
    EXPECT_EQ(Ctrl::Find::fold("a\xff"), "a\xff");
}

}  // namespace

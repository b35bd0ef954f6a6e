#include "model/connectors.hpp"

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/serializing.hpp"
#include "model/connector_element.hpp"
#include "model/connector_fixtures.hpp"
#include "model/element_cells.hpp"
#include "model/element_context.hpp"

using namespace Model;
using LxTest::BoxElement;

namespace {

class ConnectorsTest : public ::testing::Test {
  protected:
    std::shared_ptr<AbstractConnectorElement> add(const char* type, CellPos start, CellPos end) {
        auto con = new_connector_element(type, ctx);
        con->start_pos = start;
        con->end_pos = end;
        set.add(con);
        return con;
    }

    std::string write_to_string(Connectors& connectors) {
        auto writer = SerializingWriter::to_memory();
        EXPECT_TRUE(connectors.write(*writer));
        writer->finish();
        return writer->get_contents();
    }

    std::shared_ptr<ElementContext> ctx = ElementContext::create();
    Connectors set{ctx};
};

TEST_F(ConnectorsTest, MembershipIsByIdentity) {
    auto a = add("association", {1, 1}, {1, 3});
    auto twin = new_connector_element("association", ctx);
    twin->start_pos = a->start_pos;
    twin->end_pos = a->end_pos;
    EXPECT_FALSE(set.add(a));
    EXPECT_FALSE(set.contains(twin));
    EXPECT_TRUE(set.add(twin));
    EXPECT_EQ(set.size(), 2);
    EXPECT_TRUE(set.remove(a));
    EXPECT_FALSE(set.remove(a));
    EXPECT_EQ(set.size(), 1);

    // A duplicate shares its members but is a set of its own.
    auto dup = set.duplicate();
    EXPECT_TRUE(dup->contains(twin));
    dup->remove(twin);
    EXPECT_TRUE(set.contains(twin));
    EXPECT_EQ(dup->get_elem_context(), ctx);
}

TEST_F(ConnectorsTest, ForeachOrderedVisitsByUidAndStops) {
    std::vector<std::shared_ptr<AbstractConnectorElement>> cons;
    const uint32_t uids[] = {0x90000000u, 5, 0x7fffffffu, 42, 0xffffffffu};
    for (uint32_t uid : uids) {
        auto con = add("dependency", {0, 0}, {0, 1});
        con->set_uid(uid);
    }
    std::vector<uint32_t> seen;
    EXPECT_TRUE(set.foreach_ordered([&](const auto& con) {
        seen.push_back(con->get_uid());
        return true;
    }));
    // Compared unsigned: the high bit does not make a uid come first.
    EXPECT_EQ(seen, (std::vector<uint32_t>{5, 42, 0x7fffffffu, 0x90000000u, 0xffffffffu}));

    int calls = 0;
    EXPECT_FALSE(set.foreach_ordered([&](const auto&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    Connectors empty(ctx);
    EXPECT_TRUE(empty.foreach_ordered([](const auto&) { return false; }));
}

TEST_F(ConnectorsTest, InsertLineShiftsEndsAtAndBehindTheLine) {
    auto a = add("association", {1, 2}, {1, 3});
    auto b = add("association", {4, 5}, {6, 1});
    set.insert_line(CellDir::V, 3);
    EXPECT_EQ(a->start_pos, CellPos(1, 2));
    EXPECT_EQ(a->end_pos, CellPos(1, 4));
    EXPECT_EQ(b->start_pos, CellPos(4, 6));
    EXPECT_EQ(b->end_pos, CellPos(6, 1));
    set.shift_term_at(CellDir::H, 4, 3);
    EXPECT_EQ(a->start_pos, CellPos(1, 2));
    EXPECT_EQ(b->start_pos, CellPos(7, 6));
    EXPECT_EQ(b->end_pos, CellPos(9, 1));
}

TEST_F(ConnectorsTest, RemoveLineDropsConnectorsEndingThereAndShiftsTheRest) {
    auto on_start = add("association", {2, 1}, {5, 1});
    auto on_end = add("composition", {0, 4}, {2, 7});
    auto behind = add("generalization", {3, 0}, {6, 2});
    auto before = add("dependency", {1, 0}, {1, 5});
    auto crossing = add("aggregation", {1, 3}, {3, 3});  // passes column 2

    std::set<AbstractConnectorElement*> reported;
    set.remove_line(CellDir::H, 2, [&](const auto& con) { reported.insert(con.get()); });
    EXPECT_EQ(reported, (std::set<AbstractConnectorElement*>{on_start.get(), on_end.get()}));
    EXPECT_EQ(set.size(), 3);
    EXPECT_FALSE(set.contains(on_start));
    EXPECT_FALSE(set.contains(on_end));
    EXPECT_EQ(behind->start_pos, CellPos(2, 0));
    EXPECT_EQ(behind->end_pos, CellPos(5, 2));
    EXPECT_EQ(before->start_pos, CellPos(1, 0));
    EXPECT_EQ(crossing->end_pos, CellPos(2, 3));
    // Removed connectors keep their ends: undo puts them back as they were.
    EXPECT_EQ(on_start->start_pos, CellPos(2, 1));

    // Without a callback it works the same.
    set.remove_line(CellDir::V, 0, nullptr);
    EXPECT_EQ(set.size(), 1);
    EXPECT_TRUE(set.contains(crossing));
    EXPECT_EQ(crossing->start_pos, CellPos(1, 2));
}

TEST_F(ConnectorsTest, EnumerationsByLineAndByCell) {
    auto a = add("association", {2, 1}, {5, 1});
    auto b = add("association", {5, 1}, {5, 4});
    add("association", {0, 0}, {0, 2});
    auto on_col5 = set.enum_term_on_line(CellDir::H, 5);
    EXPECT_EQ(on_col5->size(), 2);
    EXPECT_TRUE(on_col5->contains(a) && on_col5->contains(b));
    EXPECT_EQ(set.enum_term_on_line(CellDir::V, 3)->size(), 0);

    auto at = set.enum_connectors_has_term_at(CellPos(5, 1));
    EXPECT_EQ(at->size(), 2);
    EXPECT_TRUE(set.enum_connectors_has_term_at(CellPos(3, 3))->is_empty());
    // The results are new sets: changing them leaves the original alone.
    at->clear();
    EXPECT_EQ(set.size(), 3);
}

TEST_F(ConnectorsTest, UpdateLinkedElemFollowsTheCells) {
    ElementCells cells(ctx);
    auto klass = std::make_shared<BoxElement>(ctx, Rectangle(0, 0, 10, 10));
    cells.set(2, 1, klass);
    auto con = add("association", {2, 1}, {4, 4});
    con->end_elem = std::make_shared<BoxElement>(ctx, Rectangle());  // stale
    set.update_linked_elem(cells);
    EXPECT_EQ(con->start_elem, klass);
    EXPECT_EQ(con->end_elem, nullptr);
}

TEST_F(ConnectorsTest, EveryKindSurvivesWriteAndRead) {
    const char* kinds[] = {"association", "dependency", "aggregation", "composition",
                           "generalization"};
    int i = 0;
    for (const char* kind : kinds) {
        auto con = add(kind, {i, i + 1}, {i + 10, 65535});
        con->set_uid(1000 + i);
        i++;
    }
    const std::string xml = write_to_string(set);
    // Written by ascending uid, so the file is stable from save to save.
    EXPECT_LT(xml.find("association"), xml.find("dependency"));
    EXPECT_LT(xml.find("composition"), xml.find("generalization"));
    EXPECT_NE(xml.find("uid=\"0x000003e8\""), std::string::npos);

    auto reader = SerializingReader::from_memory(xml);
    auto ctx2 = ElementContext::create();
    Connectors loaded(ctx2);
    EXPECT_TRUE(loaded.read(*reader));
    ASSERT_EQ(loaded.size(), 5);
    i = 0;
    loaded.foreach_ordered([&](const auto& con) {
        EXPECT_EQ(con->get_serializing_type_name(), kinds[i]);
        EXPECT_EQ(con->get_uid(), 1000u + i);
        EXPECT_EQ(con->start_pos, CellPos(i, i + 1));
        EXPECT_EQ(con->end_pos, CellPos(i + 10, 65535));
        EXPECT_EQ(con->get_elem_context(), ctx2);
        i++;
        return true;
    });
    EXPECT_EQ(write_to_string(loaded), xml);
}

TEST_F(ConnectorsTest, ReadSkipsConnectorsItCannotUse) {
    const std::string xml = R"(<?xml version="1.0"?>
<workspace>
  <connector_set>
    <connector uid="0x0000002a" type="dependency"><start h="1" v="2"/><end h="3" v="4"/></connector>
    <connector uid="7" type="inheritance"><start h="1" v="2"/><end h="3" v="4"/></connector>
    <connector uid="8"><start h="1" v="2"/><end h="3" v="4"/></connector>
    <connector uid="9" type="association"/>
    <connector uid="10" type="association"><start h="1"/><end h="3" v="4"/></connector>
    <connector uid="11" type="association"><start h="1" v="99999999999"/><end h="3" v="4"/></connector>
    <connector uid="12" type="association"><start h="-1" v="2"/><end h="3" v="4"/></connector>
    <connector uid="13" type="association"><start h="x" v="2"/><end h="3" v="4"/></connector>
    <connector uid="14" type="generalization">
      <end v=" 6" h="5 cells" extra="ignored"/><unknown/><start h="0" v="0"/>
    </connector>
  </connector_set>
</workspace>)";
    auto reader = SerializingReader::from_memory(xml);
    EXPECT_TRUE(set.read(*reader));
    std::vector<std::string> got;
    set.foreach_ordered([&](const auto& con) {
        got.push_back(con->get_serializing_type_name() + " " + con->start_pos.to_string() + " " +
                      con->end_pos.to_string());
        return true;
    });
    ASSERT_EQ(got.size(), 2u);
    auto first = *set.enum_connectors_has_term_at(CellPos(1, 2))->begin();
    EXPECT_EQ(first->get_uid(), 42u);
    EXPECT_EQ(first->end_pos, CellPos(3, 4));
    // Order of children does not matter; blanks before digits and text after
    // them are tolerated.
    auto last = *set.enum_connectors_has_term_at(CellPos(0, 0))->begin();
    EXPECT_EQ(last->get_serializing_type_name(), "generalization");
    EXPECT_EQ(last->end_pos, CellPos(5, 6));
}

TEST_F(ConnectorsTest, EmptySetWritesAnEmptyElementAndReadsBackEmpty) {
    const std::string xml = write_to_string(set);
    EXPECT_NE(xml.find("<connector_set/>"), std::string::npos);
    auto reader = SerializingReader::from_memory(xml);
    EXPECT_TRUE(set.read(*reader));
    EXPECT_EQ(set.size(), 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/serializing.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"

namespace {

using Model::ClassElement;
using Model::ElementCells;
using Model::ElementContext;

class ElementCellsTest : public ::testing::Test {
  protected:
    std::shared_ptr<ElementContext> ctx = ElementContext::create();
    ElementCells cells{ctx};

    std::shared_ptr<ClassElement> put(int32_t h, int32_t v, uint32_t uid, const std::string& name) {
        auto cls = std::make_shared<ClassElement>(ctx);
        cls->set_uid(uid);
        cls->name_elem->set_text(name);
        cells.set(h, v, cls);
        return cls;
    }

    static std::string name_at(const ElementCells& c, int32_t h, int32_t v) {
        auto cls = std::dynamic_pointer_cast<ClassElement>(c.get(h, v));
        return cls ? cls->name_elem->get_text() : "<none>";
    }

    std::unique_ptr<ElementCells> read_back(const std::string& doc) {
        auto out = std::make_unique<ElementCells>(ctx);
        auto r = SerializingReader::from_memory(doc);
        out->read(*r);
        return out;
    }
};

}  // namespace

TEST_F(ElementCellsTest, MaxSizesComeFromOneLineOnly) {
    EXPECT_EQ(cells.get_max_width_at_col(3), 0.0);
    EXPECT_EQ(cells.get_max_height_at_row(3), 0.0);
    auto narrow = put(3, 0, 1, "a");
    auto wide = put(3, 5, 2, "a much wider name");
    auto tall = put(0, 5, 3, "x");
    tall->insert_block(1);
    tall->block1_elem->set_text("1\n2\n3\n4");
    EXPECT_DOUBLE_EQ(cells.get_max_width_at_col(3), wide->get_rect().width);
    EXPECT_DOUBLE_EQ(cells.get_max_height_at_row(5), tall->get_rect().height);
    EXPECT_DOUBLE_EQ(cells.get_max_height_at_row(0), narrow->get_rect().height);
    EXPECT_EQ(cells.get_max_width_at_col(4), 0.0);
}

TEST_F(ElementCellsTest, ForeachOrderedFollowsUnsignedUidsNotPositions) {
    put(0, 0, 0xF0000000u, "last");
    put(9, 9, 5, "second");
    put(5, 1, 0, "first");
    put(2, 7, 0x7FFFFFFFu, "third");
    std::vector<std::string> order;
    EXPECT_TRUE(cells.foreach_ordered([&](int32_t h, int32_t v, const auto& elem) {
        EXPECT_EQ(cells.get(h, v), elem);
        order.push_back(std::static_pointer_cast<ClassElement>(elem)->name_elem->get_text());
        return true;
    }));
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "third", "last"}));
    int calls = 0;
    EXPECT_FALSE(cells.foreach_ordered([&](int32_t, int32_t, const auto&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

TEST_F(ElementCellsTest, WriteAndReadBackEveryCell) {
    auto a = put(2, 1, 7, "Order");
    a->insert_block(1);
    a->block1_elem->set_text("id : int");
    auto b = put(0, 3, 3, "Line<&>");
    b->insert_block(2);
    b->block2_elem->set_text("total()\nsum()");

    auto w = SerializingWriter::to_memory();
    EXPECT_TRUE(cells.write(*w));
    w->finish();
    const std::string doc = w->get_contents();
    // Cells are written by ascending uid.
    EXPECT_LT(doc.find("h=\"0\" v=\"3\""), doc.find("h=\"2\" v=\"1\"")) << doc;

    auto back = read_back(doc);
    EXPECT_EQ(back->count(), 2);
    auto ra = std::dynamic_pointer_cast<ClassElement>(back->get(2, 1));
    auto rb = std::dynamic_pointer_cast<ClassElement>(back->get(0, 3));
    ASSERT_TRUE(ra && rb);
    EXPECT_EQ(ra->get_uid(), 7u);
    EXPECT_EQ(ra->block1_elem->get_text(), "id : int");
    EXPECT_FALSE(ra->block2_shown);
    EXPECT_EQ(rb->name_elem->get_text(), "Line<&>");
    EXPECT_EQ(rb->block2_elem->get_text(), "total()\nsum()");
    EXPECT_FALSE(rb->block1_shown);
}

TEST_F(ElementCellsTest, EmptyTableWritesAnEmptyElementAndReadsBackEmpty) {
    auto w = SerializingWriter::to_memory();
    w->start_element("workspace");
    cells.write(*w);
    w->start_element("connector_set");
    w->start_element("connector");
    w->end_element();
    w->end_element();
    w->finish();
    auto r = SerializingReader::from_memory(w->get_contents());
    ElementCells back(ctx);
    EXPECT_TRUE(back.read(*r));
    EXPECT_EQ(back.count(), 0);
    // The empty table did not swallow the sibling that follows it.
    EXPECT_TRUE(r->next());
    EXPECT_EQ(r->get_name(), "connector_set");
}

TEST_F(ElementCellsTest, ReadingSkipsCellsItCannotPlace) {
    auto back = read_back(
        "<element_cells>"
        "<cell h='1' v='1'><class uid='1'><name>kept</name></class></cell>"
        "<cell v='2'><class uid='2'><name>no h</name></class></cell>"
        "<cell h='-1' v='2'><class uid='3'><name>negative</name></class></cell>"
        "<cell h='70000' v='2'><class uid='4'><name>too far</name></class></cell>"
        "<cell h='x' v='2'><class uid='5'><name>not a number</name></class></cell>"
        "<cell h='3' v='3'><other/></cell>"
        "<cell h='4' v='4'/>"
        "<cell h=' 5junk' v='5'><class uid='6'><name>lenient</name></class>"
        "<class uid='7'><name>second class ignored</name></class></cell>"
        "<cell h='1' v='1'><class uid='8'><name>replaces</name></class></cell>"
        "</element_cells>");
    EXPECT_EQ(back->count(), 2);
    EXPECT_EQ(name_at(*back, 1, 1), "replaces");
    EXPECT_EQ(name_at(*back, 5, 5), "lenient");
    EXPECT_EQ(back->get(3, 3), nullptr);
}

TEST_F(ElementCellsTest, TruncatedDocumentReadsAsFailure) {
    auto back = std::make_unique<ElementCells>(ctx);
    auto r = SerializingReader::from_memory(
        "<element_cells><cell h='1' v='1'><class uid='1'><name>A</name></class></cell>"
        "<cell h='2' v='2'><class uid='2'><name>B");
    EXPECT_FALSE(back->read(*r));
    EXPECT_TRUE(r->has_error());
}

TEST_F(ElementCellsTest, MangledDocumentsNeverCrashTheReader) {
    for (int i = 0; i < 4; ++i) {
        auto cls = put(i, i * 2, 100 + i, "C" + std::to_string(i));
        cls->insert_block(1);
        cls->block1_elem->set_text("a : int\nb : <T>");
    }
    auto w = SerializingWriter::to_memory();
    cells.write(*w);
    w->finish();
    const std::string doc = w->get_contents();
    std::mt19937 rng(1234);  // fixed, so a failure reproduces
    const char bytes[] = "<>/&;='\"x\xff\xc3 \n\0";
    for (int round = 0; round < 3000; ++round) {
        std::string mangled = doc;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % mangled.size();
            switch (rng() % 3) {
                case 0:
                    mangled[at] = bytes[rng() % (sizeof bytes - 1)];
                    break;
                case 1:
                    mangled.erase(at, 1 + rng() % 20);
                    break;
                default:
                    mangled.insert(at, 1, bytes[rng() % (sizeof bytes - 1)]);
                    break;
            }
            if (mangled.empty()) {
                break;
            }
        }
        auto back = read_back(mangled);
        EXPECT_LE(back->count(), 4);
    }
}

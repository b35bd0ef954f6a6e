#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>
#include <string>

#include "common/serializing.hpp"
#include "model/class_element.hpp"
#include "model/element_context.hpp"
#include "model/text_element.hpp"

namespace {

using Model::ClassElement;
using Model::ElementContext;
using Model::TextElement;

class ElementTest : public ::testing::Test {
  protected:
    std::shared_ptr<ElementContext> ctx = ElementContext::create();

    // The size a lone text measures, taken from a separate element.
    Rectangle measured(const std::string& text) {
        TextElement t(ctx);
        t.set_text(text);
        return t.get_rect();
    }

    std::string write_to_string(ClassElement& cls) {
        auto w = SerializingWriter::to_memory();
        EXPECT_TRUE(cls.write(*w));
        w->finish();
        return w->get_contents();
    }

    std::shared_ptr<ClassElement> read_from_string(const std::string& doc) {
        auto cls = std::make_shared<ClassElement>(ctx);
        auto r = SerializingReader::from_memory(doc);
        cls->read(*r);
        return cls;
    }
};

}  // namespace

TEST_F(ElementTest, TextIsMeasuredOncePerChange) {
    TextElement t(ctx);
    EXPECT_EQ(t.get_text(), "");
    EXPECT_EQ(t.get_rect(), Rectangle());
    int notified = 0;
    t.signal_text_changed().connect([&notified] { ++notified; });
    t.set_text("Order");
    Rectangle one = t.get_rect();
    EXPECT_GT(one.width, 0.0);
    EXPECT_GT(one.height, 0.0);
    t.set_text("Order Order Order");
    EXPECT_GT(t.get_rect().width, one.width);
    t.set_text("Order\nOrder");
    EXPECT_GT(t.get_rect().height, one.height * 1.5);
    t.set_text("");
    EXPECT_EQ(t.get_rect().width, 0.0);
    EXPECT_EQ(t.get_rect().height, 0.0);
    EXPECT_EQ(notified, 4);
}

TEST_F(ElementTest, TextLayoutAlignsHorizontallyAndCentresVertically) {
    TextElement t(ctx);
    t.set_text("abc");
    const Rectangle size = t.get_rect();
    const Rectangle box(10, 20, 200, 100);
    t.layout(box);
    EXPECT_DOUBLE_EQ(t.get_rect().x, 10);
    EXPECT_DOUBLE_EQ(t.get_rect().y, 20 + (100 - size.height) / 2);
    t.align = Model::Align::CENTER;
    t.layout(box);
    EXPECT_DOUBLE_EQ(t.get_rect().x, 10 + (200 - size.width) / 2);
    t.align = Model::Align::RIGHT;
    t.layout(box);
    EXPECT_DOUBLE_EQ(t.get_rect().x, 210 - size.width);
    EXPECT_DOUBLE_EQ(t.get_rect().width, size.width);
}

TEST_F(ElementTest, NewClassShowsOnlyItsNameAndIsCentredInItsCell) {
    ClassElement cls(ctx);
    EXPECT_EQ(cls.name_elem->get_text(), "no name");
    EXPECT_FALSE(cls.block1_shown);
    EXPECT_FALSE(cls.block2_shown);
    EXPECT_EQ(cls.now_text_elem, cls.name_elem);
    const Rectangle name = measured("no name");
    const double w = name.width + 10, h = name.height + 10;
    EXPECT_DOUBLE_EQ(cls.get_rect().width, w);
    EXPECT_DOUBLE_EQ(cls.get_rect().height, h);

    cls.layout(Rectangle(0, 0, w + 40, h + 20));
    EXPECT_DOUBLE_EQ(cls.get_rect().x, 20);
    EXPECT_DOUBLE_EQ(cls.get_rect().y, 10);
    // The name fills its band less the 5-pixel frame.
    EXPECT_DOUBLE_EQ(cls.name_elem->get_rect().x, 25);
    EXPECT_DOUBLE_EQ(cls.name_elem->get_rect().y, 15);
}

TEST_F(ElementTest, ClassSizeFollowsShownTexts) {
    ClassElement cls(ctx);
    cls.name_elem->set_text("");
    EXPECT_EQ(cls.get_rect().width, 10);
    EXPECT_EQ(cls.get_rect().height, 10);
    ASSERT_TRUE(cls.insert_block(1));
    ASSERT_TRUE(cls.insert_block(2));
    EXPECT_EQ(cls.get_rect().width, 10);
    EXPECT_EQ(cls.get_rect().height, 30);

    cls.name_elem->set_text("A");
    cls.block1_elem->set_text("a very long attribute line");
    cls.block2_elem->set_text("op()\nop2()");
    const Rectangle a = measured("A"), b1 = measured("a very long attribute line"),
                    b2 = measured("op()\nop2()");
    EXPECT_DOUBLE_EQ(cls.get_rect().width, b1.width + 10);
    EXPECT_DOUBLE_EQ(cls.get_rect().height, a.height + b1.height + b2.height + 30);

    cls.layout(Rectangle(0, 0, 1000, 1000));
    const Rectangle r = cls.get_rect();
    // Blocks start 5 pixels in from the box's left edge, stacked in order.
    EXPECT_DOUBLE_EQ(cls.block1_elem->get_rect().x, r.x + 5);
    EXPECT_DOUBLE_EQ(cls.block1_elem->get_rect().y, r.y + a.height + 10 + 5);
    EXPECT_DOUBLE_EQ(cls.block2_elem->get_rect().y, r.y + a.height + b1.height + 20 + 5);
    EXPECT_DOUBLE_EQ(cls.get_block2_div_rect().height, b2.height + 10);
}

TEST_F(ElementTest, BlockInsertAndRemoveSequences) {
    ClassElement cls(ctx);
    EXPECT_FALSE(cls.rm_block(1));  // nothing shown
    EXPECT_FALSE(cls.insert_block(3));
    EXPECT_FALSE(cls.insert_block(0));

    ASSERT_TRUE(cls.insert_block(1));
    EXPECT_TRUE(cls.block1_shown);
    EXPECT_EQ(cls.block1_elem->get_text(), "");
    cls.block1_elem->set_text("attrs");
    // Inserting block 1 again pushes its text down into block 2.
    ASSERT_TRUE(cls.insert_block(1));
    EXPECT_TRUE(cls.block2_shown);
    EXPECT_EQ(cls.block1_elem->get_text(), "");
    EXPECT_EQ(cls.block2_elem->get_text(), "attrs");
    EXPECT_FALSE(cls.insert_block(1));
    EXPECT_FALSE(cls.insert_block(2));
    EXPECT_FALSE(cls.rm_block(7));
    EXPECT_TRUE(cls.block1_shown && cls.block2_shown);

    // Removing block 1 while block 2 shows pulls block 2's text up.
    ASSERT_TRUE(cls.rm_block(1));
    EXPECT_TRUE(cls.block1_shown);
    EXPECT_FALSE(cls.block2_shown);
    EXPECT_EQ(cls.block1_elem->get_text(), "attrs");
    EXPECT_EQ(cls.block2_elem->get_text(), "");
    ASSERT_TRUE(cls.rm_block(1));
    EXPECT_FALSE(cls.block1_shown);
    EXPECT_EQ(cls.block1_elem->get_text(), "");
    EXPECT_FALSE(cls.rm_block(2));

    ASSERT_TRUE(cls.insert_block(2));
    EXPECT_FALSE(cls.block1_shown);
    EXPECT_TRUE(cls.block2_shown);
    ASSERT_TRUE(cls.rm_block(2));
    EXPECT_FALSE(cls.block2_shown);
}

TEST_F(ElementTest, Block2BandFollowsTheNameWhenBlock1IsHidden) {
    ClassElement cls(ctx);
    cls.insert_block(2);
    cls.block2_elem->set_text("ops");
    cls.layout(Rectangle(0, 0, 400, 400));
    const Rectangle r = cls.get_rect();
    const Rectangle name = cls.name_elem->get_rect();
    const Rectangle band = cls.get_block2_div_rect();
    // A hidden block 1 takes no room: block 2's band starts under the name
    // and ends exactly at the bottom of the box, so its text stays inside.
    EXPECT_DOUBLE_EQ(band.y, r.y + name.height + 10);
    EXPECT_DOUBLE_EQ(band.y + band.height, r.y + r.height);
    EXPECT_GE(cls.block2_elem->get_rect().y, band.y);
    EXPECT_LE(cls.block2_elem->get_rect().y + cls.block2_elem->get_rect().height, r.y + r.height);
    EXPECT_DOUBLE_EQ(cls.get_block1_div_rect().y, r.y + name.height + 10);
    EXPECT_DOUBLE_EQ(cls.get_name_div_rect().width, r.width);
}

TEST_F(ElementTest, UpperAndLowerFollowShownBlocks) {
    ClassElement cls(ctx);
    EXPECT_EQ(cls.get_upper_text_elem(), nullptr);
    EXPECT_EQ(cls.get_lower_text_elem(), nullptr);
    cls.insert_block(2);
    EXPECT_EQ(cls.get_lower_text_elem(), cls.block2_elem);
    cls.now_text_elem = cls.block2_elem;
    EXPECT_EQ(cls.get_upper_text_elem(), cls.name_elem);
    EXPECT_EQ(cls.get_lower_text_elem(), nullptr);
    cls.insert_block(1);  // both shown now
    EXPECT_EQ(cls.get_upper_text_elem(), cls.block1_elem);
    cls.now_text_elem = cls.block1_elem;
    EXPECT_EQ(cls.get_upper_text_elem(), cls.name_elem);
    EXPECT_EQ(cls.get_lower_text_elem(), cls.block2_elem);
    EXPECT_EQ(cls.get_text_elem_index(cls.block2_elem.get()), 2);
    TextElement stranger(ctx);
    EXPECT_EQ(cls.get_text_elem_index(&stranger), 0);
    EXPECT_EQ(cls.get_text_elem_at(1), cls.block1_elem);
    EXPECT_EQ(cls.get_text_elem_at(3), nullptr);
}

TEST_F(ElementTest, SetUidMovesTheReservationAndDeathKeepsIt) {
    UniqueIdGenerator& gen = ctx->get_uid_generator();
    ClassElement cls(ctx);
    const uint32_t old_uid = cls.get_uid();
    EXPECT_TRUE(gen.is_used(old_uid));
    int notified = 0;
    cls.signal_uid_changed().connect([&notified] { ++notified; });
    {
        // The document is read again while its old elements still live.
        ClassElement old_copy(ctx);
        old_copy.set_uid(42);
        cls.set_uid(42);
    }
    EXPECT_EQ(notified, 1);
    EXPECT_FALSE(gen.is_used(old_uid));
    EXPECT_TRUE(gen.is_used(42));  // the old copy's death did not free it

    ClassElement low(ctx), high(ctx);
    low.set_uid(1);
    high.set_uid(0x80000000u);  // negative if compared as signed
    EXPECT_LT(Model::Element::cmp_uid(low, high), 0);
    EXPECT_GT(Model::Element::cmp_uid(high, low), 0);
    EXPECT_EQ(Model::Element::cmp_uid(low, low), 0);
}

TEST_F(ElementTest, ClassRoundTripWithBothBlocksAndMarkup) {
    ClassElement cls(ctx);
    cls.set_uid(42);
    cls.name_elem->set_text("Order<T> & Co");
    cls.insert_block(1);
    cls.insert_block(2);
    cls.block1_elem->set_text("id : int\nname : \"str\"");
    cls.block2_elem->set_text("ship() > 0 && ok");
    const std::string doc = write_to_string(cls);
    EXPECT_NE(doc.find("uid=\"0x0000002a\""), std::string::npos) << doc;
    EXPECT_LT(doc.find("<name>"), doc.find("<block1>"));
    EXPECT_LT(doc.find("<block1>"), doc.find("<block2>"));

    auto back = read_from_string(doc);
    EXPECT_EQ(back->get_uid(), 42u);
    EXPECT_EQ(back->name_elem->get_text(), "Order<T> & Co");
    EXPECT_TRUE(back->block1_shown);
    EXPECT_TRUE(back->block2_shown);
    EXPECT_EQ(back->block1_elem->get_text(), "id : int\nname : \"str\"");
    EXPECT_EQ(back->block2_elem->get_text(), "ship() > 0 && ok");
    EXPECT_DOUBLE_EQ(back->get_rect().height, cls.get_rect().height);
}

TEST_F(ElementTest, ClassRoundTripWithOneBlockOrEmptyTexts) {
    ClassElement cls(ctx);
    cls.insert_block(2);
    cls.block2_elem->set_text("");
    cls.name_elem->set_text("");
    const std::string doc = write_to_string(cls);
    EXPECT_EQ(doc.find("<block1"), std::string::npos) << doc;

    auto back = read_from_string(doc);
    EXPECT_EQ(back->get_uid(), cls.get_uid());
    EXPECT_FALSE(back->block1_shown);
    EXPECT_TRUE(back->block2_shown);
    EXPECT_EQ(back->name_elem->get_text(), "");
    EXPECT_EQ(back->block2_elem->get_text(), "");
}

TEST_F(ElementTest, ReadingToleratesOddButHarmlessInput) {
    // Decimal and octal uids, children in any order, unknown children.
    auto a = read_from_string(
        "<class uid='42'><block2>ops</block2><junk><name>no</name></junk><name>N</name></class>");
    EXPECT_EQ(a->get_uid(), 42u);
    EXPECT_EQ(a->name_elem->get_text(), "N");
    EXPECT_TRUE(a->block2_shown);
    EXPECT_FALSE(a->block1_shown);
    EXPECT_EQ(read_from_string("<class uid='010'/>")->get_uid(), 8u);
    // Kept to 32 bits.
    EXPECT_EQ(read_from_string("<class uid='0x1ffffffff'/>")->get_uid(), 0xffffffffu);
    // No uid, no name: uid 0, the name of a new class.
    auto b = read_from_string("<class><block1>x</block1></class>");
    EXPECT_EQ(b->get_uid(), 0u);
    EXPECT_EQ(b->name_elem->get_text(), "no name");
    EXPECT_EQ(b->block1_elem->get_text(), "x");
    EXPECT_TRUE(ctx->get_uid_generator().is_used(0));
}

// Wherever the caret stands in a text being edited (after spaces, on an
// empty line, in an empty text) it lies inside the text's own rectangle,
// and so inside its class box; once editing ends the size is the one a
// fresh load gives. Empty texts are clickable through their bands.
TEST_F(ElementTest, EditedTextHoldsItsCaretAndEditingLeavesNoTrace) {
    std::mt19937 rng(25);
    const std::vector<std::string> pieces = {"a", "Wg", " ", "  ", "\n", "x()", "\u3042", ""};
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int n = static_cast<int>(rng() % 6); n > 0; --n) {
            text += pieces[rng() % pieces.size()];
        }
        TextElement t(ctx);
        t.set_text(text);
        t.set_editing(true);
        const Rectangle r = t.get_rect();
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
                continue;  // inside a UTF-8 sequence
            }
            Pango::Rectangle pos = t.pango_layout->index_to_pos(static_cast<int>(i));
            const double x = pos.get_x() / 1024.0, y = pos.get_y() / 1024.0;
            const double h = pos.get_height() / 1024.0;
            EXPECT_LE(x + TextElement::CARET_WIDTH, r.width + 1e-9) << "'" << text << "' at " << i;
            EXPECT_GE(x, 0.0);
            EXPECT_LE(y + h, r.height + 1e-9) << "'" << text << "' at " << i;
        }
        EXPECT_GT(r.height, 0.0);
        // Typing while editing keeps the editing measure.
        t.set_text(text + " ");
        EXPECT_GE(t.get_rect().width, r.width);
        t.set_text(text);
        t.set_editing(false);
        EXPECT_EQ(t.get_rect().width, measured(text).width) << text;
        EXPECT_EQ(t.get_rect().height, measured(text).height) << text;
    }

    ClassElement cls(ctx);
    cls.name_elem->set_text("");
    cls.insert_block(1);
    cls.block1_elem->set_text("");
    cls.layout(Rectangle(0, 0, 200, 200));
    const Rectangle name_band = cls.get_name_div_rect();
    const Rectangle block_band = cls.get_block1_div_rect();
    EXPECT_EQ(cls.get_text_elem_at_xy(Point(name_band.x + 1, name_band.y + 1)), cls.name_elem);
    EXPECT_EQ(cls.get_text_elem_at_xy(Point(block_band.x + 1, block_band.y + 1)), cls.block1_elem);
    EXPECT_EQ(cls.get_text_elem_at_xy(Point(1, 1)), nullptr);
}

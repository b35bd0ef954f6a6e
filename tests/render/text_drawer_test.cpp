#include "render/drawers/text_drawer.hpp"

#include <gtest/gtest.h>
#include <pangomm/context.h>
#include <pangomm/fontdescription.h>

#include "pixel_test_util.hpp"
#include "render/drawers/filling_drawer.hpp"

using pixel_test::at;
using pixel_test::rgb;

namespace {

struct TextDrawerTest : testing::Test {
    std::shared_ptr<View::DrawerContext> dc = std::make_shared<View::DrawerContext>();
    Glib::RefPtr<Pango::Layout> layout;

    void SetUp() override {
        dc->configure_img(200, 60);
        dc->set_color_map(View::ColorMap::new_for_export());  // black text on white
        layout = Pango::Layout::create(dc->get_cr());
        layout->set_font_description(Pango::FontDescription("Sans 16px"));
    }
    void clear() { View::FillingBackgroundDrawer(dc).draw(dc->get_region()); }
    int caret_x(int index) const { return layout->index_to_pos(index).get_x() / 1024; }
};

}  // namespace

TEST_F(TextDrawerTest, CaretIsShownOnlyWhenAskedAtTheCursorIndex) {
    // Spaces have no ink, so anything painted is the caret.
    layout->set_text("    ");
    View::TextDrawer td(dc);
    td.set_layout(layout);
    td.set_pos(Point(10, 5));
    td.set_cursor_index(2);
    clear();
    td.draw(dc->get_region());
    int x = 10 + caret_x(2);
    EXPECT_EQ(at(dc->get_surface(), x, 15), rgb(255, 255, 255));

    td.set_is_cursor_shown(true);
    td.draw(dc->get_region());
    EXPECT_EQ(at(dc->get_surface(), x, 15), rgb(0, 0, 0));
    EXPECT_EQ(at(dc->get_surface(), x + 1, 15), rgb(0, 0, 0));
    EXPECT_EQ(at(dc->get_surface(), x + 3, 15), rgb(255, 255, 255));
    EXPECT_EQ(at(dc->get_surface(), x - 2, 15), rgb(255, 255, 255));
}

TEST_F(TextDrawerTest, LayoutOutsideTheRegionIsSkipped) {
    layout->set_text("Wide text");
    View::TextDrawer td(dc);
    td.set_layout(layout);
    td.set_pos(Point(300, 0));
    EXPECT_FALSE(td.is_overlap(dc->get_region()));
    td.set_pos(Point(150, 0));  // partly inside
    EXPECT_TRUE(td.is_overlap(dc->get_region()));
    // Scrolling the view makes the far text visible.
    td.set_pos(Point(300, 0));
    dc->set_offset(Point(-250, 0));
    EXPECT_TRUE(td.is_overlap(dc->get_region()));
    clear();
    td.draw(dc->get_region());
    bool inked = false;
    for (int x = 50; x < 200 && !inked; ++x) {
        for (int y = 0; y < 30 && !inked; ++y) {
            inked = pixel_test::inked(at(dc->get_surface(), x, y));
        }
    }
    EXPECT_TRUE(inked);
}

TEST_F(TextDrawerTest, PreeditAttributesShowWithoutChangingTheEditorsLayout) {
    layout->set_text("    ");
    Pango::AttrList preedit;
    Pango::AttrColor red = Pango::Attribute::create_attr_background(65535, 0, 0);
    red.set_start_index(0);
    red.set_end_index(2);
    preedit.insert(red);

    View::TextDrawer td(dc);
    td.set_layout(layout);
    td.set_preedit_attrs(preedit);
    td.set_preedit_pos(2);
    clear();
    td.draw(dc->get_region());
    td.draw(dc->get_region());
    // Bytes 2 and 3 are highlighted, bytes 0 and 1 are not.
    int y = 10;
    EXPECT_EQ(at(dc->get_surface(), (caret_x(2) + caret_x(3)) / 2, y), rgb(255, 0, 0));
    EXPECT_EQ(at(dc->get_surface(), (caret_x(0) + caret_x(1)) / 2, y), rgb(255, 255, 255));
    EXPECT_EQ(layout->get_attributes().gobj(), nullptr);
}

#include "render/color_map.hpp"

#include <gtest/gtest.h>

#include <cmath>

using View::ColorMap;

namespace {
void expect_rgba(const View::Rgba& c, double r, double g, double b, double a) {
    EXPECT_DOUBLE_EQ(c.get_red(), r);
    EXPECT_DOUBLE_EQ(c.get_green(), g);
    EXPECT_DOUBLE_EQ(c.get_blue(), b);
    EXPECT_DOUBLE_EQ(c.get_alpha(), a);
}
}  // namespace

TEST(ColorMapTest, ParsesHexCssAndNamesAndZeroesWhatItCannotRead) {
    View::Rgba c;
    EXPECT_TRUE(ColorMap::rgba_parse("rgba(136,136,0,0.5)", c));
    expect_rgba(c, 136 / 255.0, 136 / 255.0, 0.0, 0.5);
    EXPECT_TRUE(ColorMap::rgba_parse("#880", c));
    expect_rgba(c, 136 / 255.0, 136 / 255.0, 0.0, 1.0);
    EXPECT_TRUE(ColorMap::rgba_parse("white", c));
    expect_rgba(c, 1.0, 1.0, 1.0, 1.0);

    // Whatever the parser makes of a four-digit form, it must end up fully
    // transparent, and a previous value must not survive.
    ColorMap::rgba_parse("#0000", c);
    expect_rgba(c, 0.0, 0.0, 0.0, 0.0);
    EXPECT_TRUE(ColorMap::rgba_parse("#fff", c));
    EXPECT_FALSE(ColorMap::rgba_parse("no such colour", c));
    expect_rgba(c, 0.0, 0.0, 0.0, 0.0);
    EXPECT_TRUE(ColorMap::rgba_parse("#fff", c));
    EXPECT_FALSE(ColorMap::rgba_parse("#12", c));
    expect_rgba(c, 0.0, 0.0, 0.0, 0.0);
}

TEST(ColorMapTest, ScreenAndExportMapsDifferWhereThePaperNeedsIt) {
    ColorMap screen;
    auto paper = ColorMap::new_for_export();
    expect_rgba(screen.get_background(), 0x11 / 255.0, 0x11 / 255.0, 0x11 / 255.0, 1.0);
    expect_rgba(screen.get_grid(), 0x22 / 255.0, 0x22 / 255.0, 0x22 / 255.0, 1.0);
    expect_rgba(screen.get_active_element_fill(), 0x33 / 255.0, 0x11 / 255.0, 0.0, 1.0);
    expect_rgba(screen.get_element_line(), 0xee / 255.0, 0xee / 255.0, 0xee / 255.0, 1.0);

    expect_rgba(paper->get_background(), 1.0, 1.0, 1.0, 1.0);
    // Grid and box fills vanish on paper.
    expect_rgba(paper->get_grid(), 0, 0, 0, 0);
    expect_rgba(paper->get_element_fill(), 0, 0, 0, 0);
    expect_rgba(paper->get_active_element_fill(), 0, 0, 0, 0);
    expect_rgba(paper->get_element_line(), 0, 0, 0, 1);
    expect_rgba(paper->get_active_element_line(), 0, 0, 0, 1);
    expect_rgba(paper->get_text(), 0, 0, 0, 1);
    // The selected connector has its own colour in both maps, apart from
    // the cursor frame, the selected range and selected text.
    expect_rgba(paper->get_active_connector_line(), 0, 0x66 / 255.0, 0xcc / 255.0, 1);
    for (const ColorMap* m : {&screen, paper.get()}) {
        for (const View::Rgba& other : {m->get_active_cell_frame(), m->get_selected_cell_fill(),
                                        m->get_selected_text(), m->get_element_line()}) {
            const View::Rgba& own = m->get_active_connector_line();
            EXPECT_GT(std::abs(own.get_red() - other.get_red()) +
                          std::abs(own.get_green() - other.get_green()) +
                          std::abs(own.get_blue() - other.get_blue()),
                      0.5);
        }
    }
    expect_rgba(paper->get_selected_cell_fill(), 136 / 255.0, 136 / 255.0, 0, 0.5);

    // Setters copy in.
    View::Rgba red;
    red.set_rgba(1, 0, 0, 1);
    screen.set_text(red);
    red.set_rgba(0, 1, 0, 1);
    expect_rgba(screen.get_text(), 1, 0, 0, 1);
}

#include "render/drawers/connector_end_drawers.hpp"

#include <gtest/gtest.h>

#include "pixel_test_util.hpp"
#include "render/drawers/filling_drawer.hpp"

using pixel_test::at;
using pixel_test::inked;

namespace {

struct EndDrawerTest : testing::Test {
    std::shared_ptr<View::DrawerContext> dc = std::make_shared<View::DrawerContext>();

    void SetUp() override {
        dc->configure_img(200, 120);
        dc->set_color_map(View::ColorMap::new_for_export());
        View::FillingBackgroundDrawer(dc).draw(dc->get_region());
        dc->get_cr()->set_source_rgb(0, 0, 0);
        dc->get_cr()->set_line_width(1.0);
    }
    bool ink(double x, double y) const {
        return inked(at(dc->get_surface(), static_cast<int>(x), static_cast<int>(y)));
    }
};

}  // namespace

TEST_F(EndDrawerTest, ArrowFacingLeftHasItsWingsBehindTheTip) {
    // Tip (100, 50), 8 across and 16 along: the wings are at (116, 46) and
    // (116, 54).
    View::WhiteArrowConnectorEndDrawer().draw(*dc, 8, 16, Point(100, 50), MovingDir::LEFT);
    EXPECT_TRUE(ink(108, 48));  // halfway from the tip to the upper wing
    EXPECT_TRUE(ink(108, 52));
    EXPECT_TRUE(ink(116, 50));   // the closing base
    EXPECT_FALSE(ink(110, 50));  // the triangle is not filled
    EXPECT_FALSE(ink(92, 48));   // nothing on the wrong side of the tip
    EXPECT_FALSE(ink(118, 50));  // nor beyond the base
}

TEST_F(EndDrawerTest, OpenArrowHasNoBase) {
    View::OpenArrowConnectorEndDrawer().draw(*dc, 8, 16, Point(100, 50), MovingDir::UP);
    // Pointing up: the wings lie 16 below the tip.
    EXPECT_TRUE(ink(98, 58));
    EXPECT_TRUE(ink(102, 58));
    EXPECT_FALSE(ink(100, 66));
    EXPECT_FALSE(ink(100, 40));
}

TEST_F(EndDrawerTest, BlackDiamondIsFilledAndWhiteDiamondIsHollow) {
    // Pointing down with the tip at (50, 60): the body lies above, 16 long,
    // widest (8) at y = 52.
    View::BlackDiamondConnectorEndDrawer().draw(*dc, 8, 16, Point(50, 60), MovingDir::DOWN);
    View::WhiteDiamondConnectorEndDrawer().draw(*dc, 8, 16, Point(150, 60), MovingDir::DOWN);
    EXPECT_TRUE(ink(50, 52));
    EXPECT_FALSE(ink(150, 52));
    // Both outlines pass through the widest points.
    EXPECT_TRUE(ink(46, 52));
    EXPECT_TRUE(ink(146, 52));
    EXPECT_TRUE(ink(153, 52));
    // Nothing below the tip.
    EXPECT_FALSE(ink(50, 64));
    EXPECT_FALSE(ink(150, 64));
}

TEST(EndDrawerNamesTest, ArrowPointsAreTheUnitTriangle) {
    using PN = View::AbstractArrowConnectorEndDrawer::PointName;
    EXPECT_EQ(View::AbstractArrowConnectorEndDrawer::get_unit_point(PN::LEFT_WING),
              Point(-0.5, 1.0));
    EXPECT_STREQ(View::to_nick(PN::RIGHT_WING), "right-wing");
}

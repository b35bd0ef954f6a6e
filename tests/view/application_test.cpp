#include "view/application.hpp"

#include <gtest/gtest.h>

TEST(ApplicationTest, IsOrgGtkLattrixAndOpensFiles) {
    auto app = View::LattrixApp::create();
    EXPECT_EQ(app->get_id(), "org.gtk.lattrix");
    EXPECT_EQ(app->get_flags(), Gio::APPLICATION_HANDLES_OPEN);
}

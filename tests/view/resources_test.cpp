#include <string>

#include <gdkmm/pixbuf.h>
#include <gtest/gtest.h>

#include "view/application.hpp"

namespace {

const char* const TOOL_ICONS[] = {"new-file",
                                  "open-file",
                                  "save-file",
                                  "export-png",
                                  "undo",
                                  "redo",
                                  "cut",
                                  "copy",
                                  "paste",
                                  "insert-class",
                                  "delete-class",
                                  "insert-row",
                                  "insert-col",
                                  "delete-row",
                                  "delete-col",
                                  "insert-block",
                                  "delete-block",
                                  "connect-association",
                                  "connect-dependency",
                                  "connect-aggregation",
                                  "connect-composition",
                                  "connect-generalization",
                                  "connect-realization",
                                  "manual",
                                  "cls32"};

// Share of pixels that are mostly opaque.
double coverage(const Glib::RefPtr<Gdk::Pixbuf>& pb) {
    int opaque = 0;
    const guint8* px = pb->get_pixels();
    for (int y = 0; y < pb->get_height(); ++y) {
        for (int x = 0; x < pb->get_width(); ++x) {
            if (px[y * pb->get_rowstride() + x * 4 + 3] > 128) {
                ++opaque;
            }
        }
    }
    return static_cast<double>(opaque) / (pb->get_width() * pb->get_height());
}

}  // namespace

TEST(ResourcesTest, EveryIconIsAnRgbaPictogramOfItsSize) {
    View::register_resources();
    View::register_resources();  // a second call must be harmless
    auto app_icon = Gdk::Pixbuf::create_from_resource("/org/gtk/lattrix/cls48.png");
    EXPECT_EQ(app_icon->get_width(), 48);
    EXPECT_EQ(app_icon->get_height(), 48);
    for (const char* name : TOOL_ICONS) {
        std::string path = std::string("/org/gtk/lattrix/") + name + ".png";
        Glib::RefPtr<Gdk::Pixbuf> pb;
        try {
            pb = Gdk::Pixbuf::create_from_resource(path);
        } catch (const Glib::Error& e) {
            ADD_FAILURE() << path << ": " << e.what();
            continue;
        }
        EXPECT_EQ(pb->get_width(), 32) << name;
        EXPECT_EQ(pb->get_height(), 32) << name;
        ASSERT_TRUE(pb->get_has_alpha()) << name;
        EXPECT_EQ(pb->get_n_channels(), 4) << name;
        // The tool bar shows only the alpha channel, so the shape must be
        // there and must not fill the square.
        double c = coverage(pb);
        EXPECT_GT(c, 0.08) << name;
        EXPECT_LT(c, 0.75) << name;
    }
}

#include <cstdio>

#include <gtest/gtest.h>
#include <gtkmm/main.h>

// GUI tests need an initialised toolkit and a display (Xvfb in CI).
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "GUI tests need a display; run them under xvfb-run -a\n");
        return 1;
    }
    Gtk::Main::init_gtkmm_internals();
    return RUN_ALL_TESTS();
}

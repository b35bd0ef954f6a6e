#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <gtkmm/main.h>

// GUI tests need an initialised toolkit and a display (Xvfb in CI).
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // A loaded machine sometimes refuses the first connection to a freshly
    // started virtual server; a few patient retries beat a spurious failure.
    bool ok = false;
    for (int attempt = 0; attempt < 20 && !ok; ++attempt) {
        ok = gtk_init_check(&argc, &argv);
        if (!ok) {
            g_usleep(250000);
        }
    }
    if (!ok) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "GUI tests need a display (DISPLAY=%s); run them under xvfb-run -a\n",
                     display ? display : "(unset)");
        return 1;
    }
    Gtk::Main::init_gtkmm_internals();
    return RUN_ALL_TESTS();
}

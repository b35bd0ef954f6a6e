#include "view/application.hpp"

#include <cstdlib>

#include <gtkmm/application.h>
#include <gtkmm/applicationwindow.h>

namespace View {

int run_application(int argc, char** argv) {
    g_setenv("G_MESSAGES_DEBUG", "all", TRUE);
    auto app = Gtk::Application::create("org.gtk.lattrix");
    Gtk::ApplicationWindow* window = nullptr;
    app->signal_activate().connect([&]() {
        window = new Gtk::ApplicationWindow();
        window->set_title("Lattrix");
        app->add_window(*window);
        window->show_all();
    });
    int status = app->run(argc, argv);
    delete window;
    return status;
}

}  // namespace View

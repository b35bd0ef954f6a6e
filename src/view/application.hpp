#pragma once

#include <glibmm/refptr.h>
#include <gtkmm/application.h>

namespace View {

class MainWindow;

// Registers the compiled-in icon bundle under "/org/gtk/lattrix/". Safe to
// call more than once; everything that loads an icon may rely on it.
void register_resources();

// The application "org.gtk.lattrix". It opens no files and has no options
// of its own; activation opens the one main window.
class LattrixApp : public Gtk::Application {
  public:
    static Glib::RefPtr<LattrixApp> create();
    ~LattrixApp() override;

  protected:
    LattrixApp();
    void on_activate() override;

  private:
    // Owned here, destroyed when the window is closed (hidden).
    MainWindow* m_window = nullptr;
};

// Switches every debug message on, registers the resources and runs the
// application until its window closes. Returns the exit status.
int run_application(int argc, char** argv);

}  // namespace View

#pragma once

#include <optional>
#include <string>

#include <glibmm/refptr.h>
#include <gtkmm/application.h>

namespace View {

class MainWindow;

// Registers the compiled-in icon bundle under "/org/gtk/lattrix/". Safe to
// call more than once; everything that loads an icon may rely on it.
void register_resources();

// The window's size as it is kept between runs.
struct WindowSize {
    int width = 0;
    int height = 0;
    bool maximized = false;
};
// The size kept in the key file at path; none when there is no file, or its
// values are missing or beyond any screen.
std::optional<WindowSize> load_window_size(const std::string& path);
// Writes the size to path whole (never a half-written file over the last
// one), making its folder; false when it cannot.
bool save_window_size(const std::string& path, const WindowSize& size);
// $XDG_CONFIG_HOME/lattrix/window.ini
std::string window_size_path();

// The application "org.gtk.lattrix". Activation opens the one main window;
// files named on the command line or by a launcher open in it. A second
// start hands its file to the running window, which asks first.
class LattrixApp : public Gtk::Application {
  public:
    static Glib::RefPtr<LattrixApp> create();
    ~LattrixApp() override;

  protected:
    LattrixApp();
    void on_activate() override;
    void on_open(const type_vec_files& files, const Glib::ustring& hint) override;

  private:
    // The window, made and shown on first use; false when there was none.
    bool ensure_window();

    // Owned here, destroyed when the window is closed (hidden).
    MainWindow* m_window = nullptr;
};

// Switches every debug message on, registers the resources and runs the
// application until its window closes. Returns the exit status.
int run_application(int argc, char** argv);

}  // namespace View

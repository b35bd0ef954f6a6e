#pragma once

#include <memory>

#include <gdk/gdk.h>
#include <gdk/gdkkeysyms.h>
#include <gtkmm/applicationwindow.h>
#include <gtkmm/box.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/main.h>

#include "ctrl/context.hpp"
#include "ctrl/ctrl_switcher.hpp"
#include "ctrl/modes/mode.hpp"
#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/workspace.hpp"
#include "view/canvas.hpp"

// A window with a canvas and a command strip, the workspace and the editing
// context, as the main window wires them.
class CtrlFixture {
  public:
    CtrlFixture() {
        box.pack_start(canvas, true, true);
        box.pack_start(bar, false, false);
        window.add(box);
        window.set_default_size(400, 300);
        ctx = std::make_shared<Ctrl::Context>(ws, canvas);
    }
    ~CtrlFixture() {
        Ctrl::CtrlSwitcher::reset();
        ctx.reset();
    }

    // Gives the canvas a real size, so moving the cursor near the origin does
    // not scroll the view.
    void show() {
        window.show_all();
        while (Gtk::Main::events_pending()) {
            Gtk::Main::iteration();
        }
    }

    std::shared_ptr<Model::Element> at(int h, int v) const {
        return ws->get_element_cells()->get(h, v);
    }

    // Feeds one key press to the current mode, as the canvas's binder does.
    bool key(guint keyval, guint state = 0) {
        GdkEventKey ev{};
        ev.type = GDK_KEY_PRESS;
        ev.keyval = keyval;
        ev.state = state;
        return ctx->get_now_mode()->key_press(&ev);
    }

    bool button(GdkEventType type, guint button, double x, double y) {
        GdkEventButton ev{};
        ev.type = type;
        ev.button = button;
        ev.x = x;
        ev.y = y;
        auto mode = ctx->get_now_mode();
        return type == GDK_BUTTON_RELEASE ? mode->button_release_event(&ev)
                                          : mode->button_press_event(&ev);
    }

    bool drag(double x, double y, guint state = GDK_BUTTON1_MASK) {
        GdkEventMotion ev{};
        ev.type = GDK_MOTION_NOTIFY;
        ev.x = x;
        ev.y = y;
        ev.state = static_cast<GdkModifierType>(state);
        return ctx->get_now_mode()->motion_notify_event(&ev);
    }

    std::shared_ptr<Model::Workspace> ws = std::make_shared<Model::Workspace>();
    Gtk::ApplicationWindow window;
    Gtk::Box box{Gtk::ORIENTATION_VERTICAL};
    View::Canvas canvas{ws};
    Gtk::DrawingArea bar;
    std::shared_ptr<Ctrl::Context> ctx;
};

#pragma once

#include <gdk/gdk.h>
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/window.h>

// A shown window with one drawing area, the kind of widget the canvas and
// the command bar are, to receive synthesised events.
struct EventWindow {
    Gtk::Window window;
    Gtk::DrawingArea area;

    EventWindow() {
        window.add(area);
        window.set_default_size(200, 100);
        window.show_all();
        area.grab_focus();
        while (gtk_events_pending()) {
            gtk_main_iteration_do(FALSE);
        }
    }
};

// A key event as the toolkit would deliver it to widget.
inline GdkEvent* make_key_event(Gtk::Widget& widget, guint keyval, guint state = 0,
                                GdkEventType type = GDK_KEY_PRESS) {
    GdkEvent* ev = gdk_event_new(type);
    GdkWindow* win = gtk_widget_get_window(widget.gobj());
    ev->key.window = win != nullptr ? GDK_WINDOW(g_object_ref(win)) : nullptr;
    ev->key.send_event = TRUE;
    ev->key.time = GDK_CURRENT_TIME;
    ev->key.keyval = keyval;
    ev->key.state = state;
    GdkKeymapKey* keys = nullptr;
    gint n = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()),
                                          keyval, &keys, &n) &&
        n > 0) {
        ev->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        ev->key.group = static_cast<guint8>(keys[0].group);
    }
    g_free(keys);
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    if (seat != nullptr) {
        gdk_event_set_device(ev, gdk_seat_get_keyboard(seat));
    }
    return ev;
}

// Delivers a key press (and its release) through the widget's signals;
// answers whether some handler consumed the press.
inline bool send_key(Gtk::Widget& widget, guint keyval, guint state = 0) {
    GdkEvent* press = make_key_event(widget, keyval, state, GDK_KEY_PRESS);
    const bool handled = gtk_widget_event(widget.gobj(), press);
    gdk_event_free(press);
    GdkEvent* release = make_key_event(widget, keyval, state, GDK_KEY_RELEASE);
    gtk_widget_event(widget.gobj(), release);
    gdk_event_free(release);
    return handled;
}

inline GdkEvent* make_button_event(Gtk::Widget& widget, GdkEventType type, guint button, double x,
                                   double y, guint state = 0) {
    GdkEvent* ev = gdk_event_new(type);
    GdkWindow* win = gtk_widget_get_window(widget.gobj());
    ev->button.window = win != nullptr ? GDK_WINDOW(g_object_ref(win)) : nullptr;
    ev->button.send_event = TRUE;
    ev->button.time = GDK_CURRENT_TIME;
    ev->button.button = button;
    ev->button.x = x;
    ev->button.y = y;
    ev->button.state = state;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    if (seat != nullptr) {
        gdk_event_set_device(ev, gdk_seat_get_pointer(seat));
    }
    return ev;
}

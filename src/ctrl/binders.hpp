#pragma once

#include <memory>

#include <gdk/gdk.h>
#include <sigc++/connection.h>
#include <sigc++/trackable.h>

namespace Gtk {
class Widget;
}

namespace Ctrl {

// Receives the key events of a widget through a KeyBinder. Answer true when
// the key was consumed; unconsumed keys go on to later handlers of the same
// widget (a text editor).
class IKeyHandler {
  public:
    virtual ~IKeyHandler() = default;
    virtual bool key_press(GdkEventKey* /*event*/) { return false; }
    virtual bool key_release(GdkEventKey* /*event*/) { return false; }
};

// Receives the mouse events of a widget through a MouseBinder. Coordinates
// are the event's, in widget coordinates.
class IMouseHandler {
  public:
    virtual ~IMouseHandler() = default;
    virtual bool button_press_event(GdkEventButton* /*event*/) { return false; }
    virtual bool button_release_event(GdkEventButton* /*event*/) { return false; }
    virtual bool motion_notify_event(GdkEventMotion* /*event*/) { return false; }
};

// Forwards the key events of one widget to a replaceable handler. Connects
// before anything else that should see keys second (a text editor made
// later on the same widget), and makes the widget focusable.
class KeyBinder : public sigc::trackable {
  public:
    // handler may be null: keys then propagate untouched.
    KeyBinder(Gtk::Widget& widget, std::shared_ptr<IKeyHandler> handler);
    ~KeyBinder();
    KeyBinder(const KeyBinder&) = delete;
    KeyBinder& operator=(const KeyBinder&) = delete;

    // The owner swaps the handler on every mode change; the next key goes to
    // the new one.
    void set_handler(std::shared_ptr<IKeyHandler> handler) { m_handler = std::move(handler); }
    const std::shared_ptr<IKeyHandler>& get_handler() const { return m_handler; }

    // The widget's "key-press-event": dispatches every pending event first,
    // so redraws and clicks queued before this key are handled before it.
    bool key_press_cb(GdkEventKey* event);
    bool key_release_cb(GdkEventKey* event);

  private:
    std::shared_ptr<IKeyHandler> m_handler;
    sigc::connection m_press_conn;
    sigc::connection m_release_conn;
    // Shared with a running key_press_cb, which can outlive this binder when
    // a drained event destroys it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// Forwards the button and motion events of one widget to a replaceable
// handler. Disconnects from the widget when destroyed.
class MouseBinder : public sigc::trackable {
  public:
    MouseBinder(Gtk::Widget& widget, std::shared_ptr<IMouseHandler> handler);
    ~MouseBinder();
    MouseBinder(const MouseBinder&) = delete;
    MouseBinder& operator=(const MouseBinder&) = delete;

    void set_handler(std::shared_ptr<IMouseHandler> handler) { m_handler = std::move(handler); }
    const std::shared_ptr<IMouseHandler>& get_handler() const { return m_handler; }

    bool button_press_cb(GdkEventButton* event);
    bool button_release_cb(GdkEventButton* event);
    bool motion_notify_cb(GdkEventMotion* event);

  private:
    std::shared_ptr<IMouseHandler> m_handler;
    sigc::connection m_press_conn;
    sigc::connection m_release_conn;
    sigc::connection m_motion_conn;
};

// Runs the main loop until no event is pending. Key handlers call it first so
// that a key is handled after everything queued before it.
void drain_pending_events();

// Keys typed ahead of a busy program are already queued when a key handler
// drains the event queue; handling them there would run them before the key
// in hand. Key handlers call this first: while a drain is running, or while
// earlier keys still wait, the event is copied aside (answer true: the caller
// returns handled) and replayed in arrival order once the current dispatch
// is over.
bool defer_key_event(GdkEventKey* event);

}  // namespace Ctrl

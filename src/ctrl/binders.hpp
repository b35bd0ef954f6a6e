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

// The handler a binder forwards to: either shared with the binder, or a
// plain reference to an owner that outlives the binder (its owner).
template <class Handler>
class BinderHandler {
  public:
    void set(std::shared_ptr<Handler> handler) {
        m_shared = std::move(handler);
        m_handler = m_shared.get();
    }
    void set(Handler& handler) {
        m_shared.reset();
        m_handler = &handler;
    }
    explicit operator bool() const { return m_handler != nullptr; }
    // fn(handler), or false without one. A shared handler is kept alive
    // through the call even if the call replaces it.
    template <class Fn>
    bool call(Fn fn) const {
        if (m_handler == nullptr) {
            return false;
        }
        const auto keep = m_shared;
        return fn(*m_handler);
    }

  private:
    Handler* m_handler = nullptr;
    std::shared_ptr<Handler> m_shared;
};

// Forwards the key events of one widget to a replaceable handler. Connects
// before anything else that should see keys second (a text editor made
// later on the same widget), and makes the widget focusable.
class KeyBinder : public sigc::trackable {
  public:
    // handler may be null: keys then propagate untouched.
    KeyBinder(Gtk::Widget& widget, std::shared_ptr<IKeyHandler> handler);
    // handler owns the binder.
    KeyBinder(Gtk::Widget& widget, IKeyHandler& handler);
    ~KeyBinder();
    KeyBinder(const KeyBinder&) = delete;
    KeyBinder& operator=(const KeyBinder&) = delete;

    // The next key goes to the new handler.
    void set_handler(std::shared_ptr<IKeyHandler> handler) { m_handler.set(std::move(handler)); }

    // The widget's "key-press-event": dispatches every pending event first,
    // so redraws and clicks queued before this key are handled before it.
    bool key_press_cb(GdkEventKey* event);
    bool key_release_cb(GdkEventKey* event);

  private:
    BinderHandler<IKeyHandler> m_handler;
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
    // handler owns the binder.
    MouseBinder(Gtk::Widget& widget, IMouseHandler& handler);
    ~MouseBinder();
    MouseBinder(const MouseBinder&) = delete;
    MouseBinder& operator=(const MouseBinder&) = delete;

    void set_handler(std::shared_ptr<IMouseHandler> handler) { m_handler.set(std::move(handler)); }

    bool button_press_cb(GdkEventButton* event);
    bool button_release_cb(GdkEventButton* event);
    bool motion_notify_cb(GdkEventMotion* event);

  private:
    BinderHandler<IMouseHandler> m_handler;
    sigc::connection m_press_conn;
    sigc::connection m_release_conn;
    sigc::connection m_motion_conn;
};

}  // namespace Ctrl

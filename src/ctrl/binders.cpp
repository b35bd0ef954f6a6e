#include "ctrl/binders.hpp"

#include <gtkmm/widget.h>

#include "ctrl/key_queue.hpp"

namespace Ctrl {

KeyBinder::KeyBinder(Gtk::Widget& widget, IKeyHandler& handler) : KeyBinder(widget, nullptr) {
    m_handler.set(handler);
}

KeyBinder::KeyBinder(Gtk::Widget& widget, std::shared_ptr<IKeyHandler> handler) {
    m_handler.set(std::move(handler));
    widget.add_events(Gdk::KEY_PRESS_MASK | Gdk::KEY_RELEASE_MASK);
    widget.set_can_focus(true);
    // Before the widget's class handler, so a widget that handles keys
    // itself cannot starve the handler; a text editor made later on the same
    // widget connects after this and sees only unconsumed keys.
    m_press_conn = widget.signal_key_press_event().connect(
        sigc::mem_fun(*this, &KeyBinder::key_press_cb), false);
    m_release_conn = widget.signal_key_release_event().connect(
        sigc::mem_fun(*this, &KeyBinder::key_release_cb), false);
}

KeyBinder::~KeyBinder() {
    *m_alive = false;
    m_press_conn.disconnect();
    m_release_conn.disconnect();
}

bool KeyBinder::key_press_cb(GdkEventKey* event) {
    if (!m_handler) {
        return false;
    }
    auto& queue = KeyQueue::get();
    if (queue.hold_back(event)) {
        return true;
    }
    const auto alive = m_alive;
    queue.drain();
    // The drained events may have swapped the handler (a click changed the
    // mode) or destroyed this binder; the key goes to whoever handles now.
    if (!*alive) {
        return false;
    }
    return m_handler.call([event](IKeyHandler& h) { return h.key_press(event); });
}

bool KeyBinder::key_release_cb(GdkEventKey* event) {
    if (!m_handler) {
        return false;
    }
    if (KeyQueue::get().hold_back(event)) {
        return true;
    }
    return m_handler.call([event](IKeyHandler& h) { return h.key_release(event); });
}

MouseBinder::MouseBinder(Gtk::Widget& widget, IMouseHandler& handler)
    : MouseBinder(widget, nullptr) {
    m_handler.set(handler);
}

MouseBinder::MouseBinder(Gtk::Widget& widget, std::shared_ptr<IMouseHandler> handler) {
    m_handler.set(std::move(handler));
    widget.add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK | Gdk::POINTER_MOTION_MASK);
    m_press_conn = widget.signal_button_press_event().connect(
        sigc::mem_fun(*this, &MouseBinder::button_press_cb), false);
    m_release_conn = widget.signal_button_release_event().connect(
        sigc::mem_fun(*this, &MouseBinder::button_release_cb), false);
    m_motion_conn = widget.signal_motion_notify_event().connect(
        sigc::mem_fun(*this, &MouseBinder::motion_notify_cb), false);
}

MouseBinder::~MouseBinder() {
    m_press_conn.disconnect();
    m_release_conn.disconnect();
    m_motion_conn.disconnect();
}

bool MouseBinder::button_press_cb(GdkEventButton* event) {
    return m_handler.call([event](IMouseHandler& h) { return h.button_press_event(event); });
}

bool MouseBinder::button_release_cb(GdkEventButton* event) {
    return m_handler.call([event](IMouseHandler& h) { return h.button_release_event(event); });
}

bool MouseBinder::motion_notify_cb(GdkEventMotion* event) {
    return m_handler.call([event](IMouseHandler& h) { return h.motion_notify_event(event); });
}

}  // namespace Ctrl

#include "ctrl/binders.hpp"

#include <deque>

#include <gtk/gtk.h>
#include <gtkmm/widget.h>

namespace Ctrl {

namespace {

int g_drain_depth = 0;
std::deque<GdkEvent*> g_deferred;
// The deferred event being replayed right now: it must pass through.
GdkEvent* g_replaying = nullptr;
bool g_replay_scheduled = false;

gboolean replay_deferred(gpointer);

void schedule_replay() {
    if (!g_replay_scheduled) {
        g_replay_scheduled = true;
        // Ahead of the default-priority event source, so nothing typed later
        // overtakes the keys waiting here.
        g_idle_add_full(G_PRIORITY_HIGH, replay_deferred, nullptr, nullptr);
    }
}

gboolean replay_deferred(gpointer) {
    g_replay_scheduled = false;
    // Inside a drain the key in hand has not been handled yet; replaying
    // here would run the waiting keys before it, the last one first.
    if (g_drain_depth > 0) {
        return G_SOURCE_REMOVE;
    }
    while (!g_deferred.empty()) {
        GdkEvent* ev = g_deferred.front();
        g_deferred.pop_front();
        g_replaying = ev;
        gtk_main_do_event(ev);
        g_replaying = nullptr;
        gdk_event_free(ev);
    }
    return G_SOURCE_REMOVE;
}

}  // namespace

void drain_pending_events() {
    ++g_drain_depth;
    while (gtk_events_pending()) {
        gtk_main_iteration_do(FALSE);
    }
    --g_drain_depth;
    if (g_drain_depth == 0 && !g_deferred.empty()) {
        schedule_replay();
    }
}

bool defer_key_event(GdkEventKey* event) {
    GdkEvent* ev = reinterpret_cast<GdkEvent*>(event);
    // The same event reaches every key handler of the widget in turn (binder,
    // then text editor); once one let it pass, the others must too.
    static struct {
        GdkEventType type;
        guint32 time;
        guint16 code;
        guint state;
    } passed{};
    const bool same_as_passed = event->type == passed.type && event->time == passed.time &&
                                event->hardware_keycode == passed.code &&
                                event->state == passed.state;
    if (ev == g_replaying || same_as_passed || (g_drain_depth == 0 && g_deferred.empty())) {
        passed = {event->type, event->time, event->hardware_keycode, event->state};
        return false;
    }
    g_deferred.push_back(gdk_event_copy(ev));
    if (g_drain_depth == 0) {
        schedule_replay();
    }
    return true;
}

KeyBinder::KeyBinder(Gtk::Widget& widget, std::shared_ptr<IKeyHandler> handler)
    : m_handler(std::move(handler)) {
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
    if (defer_key_event(event)) {
        return true;
    }
    const auto alive = m_alive;
    drain_pending_events();
    // The drained events may have swapped the handler (a click changed the
    // mode) or destroyed this binder; the key goes to whoever handles now.
    if (!*alive || !m_handler) {
        return false;
    }
    const auto handler = m_handler;
    return handler->key_press(event);
}

bool KeyBinder::key_release_cb(GdkEventKey* event) {
    if (!m_handler) {
        return false;
    }
    if (defer_key_event(event)) {
        return true;
    }
    const auto handler = m_handler;
    return handler->key_release(event);
}

MouseBinder::MouseBinder(Gtk::Widget& widget, std::shared_ptr<IMouseHandler> handler)
    : m_handler(std::move(handler)) {
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
    if (!m_handler) {
        return false;
    }
    const auto handler = m_handler;
    return handler->button_press_event(event);
}

bool MouseBinder::button_release_cb(GdkEventButton* event) {
    if (!m_handler) {
        return false;
    }
    const auto handler = m_handler;
    return handler->button_release_event(event);
}

bool MouseBinder::motion_notify_cb(GdkEventMotion* event) {
    if (!m_handler) {
        return false;
    }
    const auto handler = m_handler;
    return handler->motion_notify_event(event);
}

}  // namespace Ctrl

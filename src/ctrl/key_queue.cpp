#include "ctrl/key_queue.hpp"

#include <glibmm/main.h>
#include <gtk/gtk.h>

namespace Ctrl {

KeyQueue& KeyQueue::get() {
    // Never destroyed: events may still be held when the program exits.
    static KeyQueue* queue = new KeyQueue();
    return *queue;
}

void KeyQueue::drain() {
    auto context = Glib::MainContext::get_default();
    ++m_drain_depth;
    while (context->pending()) {
        context->iteration(false);
    }
    --m_drain_depth;
    if (m_drain_depth == 0 && !m_held.empty()) {
        schedule_replay();
    }
}

bool KeyQueue::hold_back(GdkEventKey* event) {
    GdkEvent* ev = reinterpret_cast<GdkEvent*>(event);
    const bool same_as_passed = event->type == m_passed.type && event->time == m_passed.time &&
                                event->hardware_keycode == m_passed.code &&
                                event->state == m_passed.state;
    if (ev == m_replaying || same_as_passed || (m_drain_depth == 0 && m_held.empty())) {
        m_passed = {event->type, event->time, event->hardware_keycode, event->state};
        return false;
    }
    m_held.push_back(gdk_event_copy(ev));
    if (m_drain_depth == 0) {
        schedule_replay();
    }
    return true;
}

void KeyQueue::schedule_replay() {
    if (!m_replay_connection.connected()) {
        // Ahead of the default-priority event source, so nothing typed later
        // overtakes the keys waiting here.
        m_replay_connection =
            Glib::signal_idle().connect(sigc::mem_fun(*this, &KeyQueue::replay), G_PRIORITY_HIGH);
    }
}

bool KeyQueue::replay() {
    m_replay_connection.disconnect();
    // Inside a drain the key in hand has not been handled yet; replaying
    // here would run the waiting keys before it, the last one first.
    if (m_drain_depth > 0) {
        return false;
    }
    while (!m_held.empty()) {
        GdkEvent* ev = m_held.front();
        m_held.pop_front();
        m_replaying = ev;
        gtk_main_do_event(ev);
        m_replaying = nullptr;
        gdk_event_free(ev);
    }
    return false;
}

}  // namespace Ctrl

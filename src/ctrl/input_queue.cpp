#include "ctrl/input_queue.hpp"

#include <glibmm/main.h>
#include <gtk/gtk.h>

namespace Ctrl {

namespace {

bool is_input(const GdkEvent* event) {
    switch (event->type) {
        case GDK_KEY_PRESS:
        case GDK_KEY_RELEASE:
        case GDK_BUTTON_PRESS:
        case GDK_2BUTTON_PRESS:
        case GDK_3BUTTON_PRESS:
        case GDK_BUTTON_RELEASE:
        case GDK_MOTION_NOTIFY:
        case GDK_SCROLL:
            return true;
        default:
            return false;
    }
}

}  // namespace

InputQueue& InputQueue::get() {
    // Never destroyed: the toolkit keeps calling the handler until exit.
    static InputQueue* queue = new InputQueue();
    return *queue;
}

InputQueue::InputQueue() {
    // No gtkmm wrapper exists for the event handler. The toolkit's own
    // handler is gtk_main_do_event, which dispatch() calls in turn.
    gdk_event_handler_set(&InputQueue::on_event, this, nullptr);
}

void InputQueue::on_event(GdkEvent* event, void* self) {
    auto& queue = *static_cast<InputQueue*>(self);
    // Held back during a drain, and behind earlier held events unless a
    // handler's own loop (a modal dialog) is asking for input now.
    const bool hold = is_input(event) && (queue.m_drain_depth > 0 ||
                                          (!queue.m_held.empty() && queue.m_dispatch_depth == 0));
    if (hold) {
        queue.m_held.push_back(gdk_event_copy(event));
        queue.replay();
        return;
    }
    queue.dispatch(event);
    queue.replay();
}

void InputQueue::dispatch(GdkEvent* event) {
    ++m_dispatch_depth;
    gtk_main_do_event(event);
    --m_dispatch_depth;
}

void InputQueue::replay() {
    if (m_replaying || m_dispatch_depth > 0 || m_drain_depth > 0) {
        return;
    }
    m_replaying = true;
    m_replay_connection.disconnect();
    while (!m_held.empty()) {
        GdkEvent* event = m_held.front();
        m_held.pop_front();
        dispatch(event);
        gdk_event_free(event);
    }
    m_replaying = false;
}

void InputQueue::schedule_replay() {
    if (!m_replay_connection.connected()) {
        // Ahead of the default-priority event source, so nothing that
        // arrives later overtakes the events waiting here.
        m_replay_connection = Glib::signal_idle().connect(
            [this] {
                replay();
                return false;
            },
            G_PRIORITY_HIGH);
    }
}

void InputQueue::drain() {
    auto context = Glib::MainContext::get_default();
    ++m_drain_depth;
    while (context->pending()) {
        context->iteration(false);
    }
    --m_drain_depth;
    // A drain outside any dispatch (a handler called directly) has no
    // dispatch to end after; the held events go next.
    if (!m_held.empty() && m_dispatch_depth == 0 && m_drain_depth == 0) {
        schedule_replay();
    }
}

}  // namespace Ctrl

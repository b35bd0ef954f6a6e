#pragma once

#include <deque>

#include <gdk/gdk.h>
#include <sigc++/connection.h>

namespace Ctrl {

// Keeps keys and mouse events in the order they arrived.
//
// Key handlers drain the pending events before they handle a key, so that
// redraws queued before the key are done first. Keys and clicks typed ahead
// of a busy program are already queued at that moment too; handling them
// inside the drain would run them before the key in hand. So every event the
// toolkit delivers passes through this queue first: an input event (key,
// button, motion, scroll) that arrives during a drain, or while earlier
// ones still wait, is copied aside and dispatched once the event in hand is
// done, in arrival order. The queue knows the event in hand because it
// dispatches it itself; nothing is recognised by its field values, so two
// presses of one key in the same millisecond stay two events.
//
// Only drains hold events back: a modal dialog opened by a handler runs its
// own loop, and its input goes through at once. There is one queue for the
// program: the keys of the canvas and of the command line take their turns
// in one line.
class InputQueue {
  public:
    // Installs the queue as the toolkit's event handler on first use.
    static InputQueue& get();

    InputQueue(const InputQueue&) = delete;
    InputQueue& operator=(const InputQueue&) = delete;

    // Runs the main loop until no event is pending.
    void drain();
    // Events copied aside and not yet dispatched.
    size_t held_count() const { return m_held.size(); }

  private:
    InputQueue();

    static void on_event(GdkEvent* event, void* self);
    void dispatch(GdkEvent* event);
    // Dispatches the held events, oldest first, unless an event is in hand.
    void replay();
    void schedule_replay();

    // How deeply drains and dispatches are nested right now.
    int m_drain_depth = 0;
    int m_dispatch_depth = 0;
    bool m_replaying = false;
    // Owned copies, freed once dispatched.
    std::deque<GdkEvent*> m_held;
    sigc::connection m_replay_connection;
};

}  // namespace Ctrl

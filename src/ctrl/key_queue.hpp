#pragma once

#include <deque>

#include <gdk/gdk.h>
#include <sigc++/connection.h>

namespace Ctrl {

// Keeps keys in the order they were typed while a key handler runs the main
// loop. Key handlers drain the pending events before they handle a key, so
// that redraws and clicks queued before the key go first; keys typed ahead
// of a busy program are already queued at that moment, and handling them
// inside the drain would run them before the key in hand. Such keys are
// copied aside and replayed, in arrival order, once the current dispatch is
// over. There is one queue for the whole program: the keys of the canvas and
// of the command line take their turns in one line.
class KeyQueue {
  public:
    static KeyQueue& get();

    KeyQueue(const KeyQueue&) = delete;
    KeyQueue& operator=(const KeyQueue&) = delete;

    // Runs the main loop until no event is pending.
    void drain();
    // Called first by every key handler: while a drain is running, or while
    // earlier keys still wait, the event is copied aside and true answered
    // (the caller returns "handled"); otherwise false, and the caller
    // handles the key now.
    bool hold_back(GdkEventKey* event);

  private:
    KeyQueue() = default;

    void schedule_replay();
    bool replay();

    int m_drain_depth = 0;
    // Owned copies, freed once replayed.
    std::deque<GdkEvent*> m_held;
    // The held event being replayed right now: it must pass through.
    GdkEvent* m_replaying = nullptr;
    sigc::connection m_replay_connection;
    // The last event let through. The same event reaches every key handler
    // of the widget in turn (binder, then text editor); once one let it
    // pass, the others must too.
    struct Passed {
        GdkEventType type;
        guint32 time;
        guint16 code;
        guint state;
    } m_passed{};
};

}  // namespace Ctrl

#include "ctrl/input_queue.hpp"

#include <random>
#include <string>
#include <vector>

#include <glib.h>
#include <gtest/gtest.h>

#include "ctrl/binders.hpp"
#include "event_helpers.hpp"

namespace {

// Logs keys and presses in the order the handlers see them.
struct Recorder : Ctrl::IKeyHandler, Ctrl::IMouseHandler {
    std::vector<std::string> seen;
    bool key_press(GdkEventKey* event) override {
        seen.emplace_back(gdk_keyval_name(event->keyval));
        return true;
    }
    bool button_press_event(GdkEventButton* event) override {
        seen.push_back("click" + std::to_string(static_cast<int>(event->x)));
        return true;
    }
};

}  // namespace

TEST(InputQueueTest, RepeatsWithinOneMillisecondAndClicksKeepTheirArrivalOrder) {
    // X time stamps count milliseconds, so a fast typist (or a macro) gives
    // two presses of one key the same time, key code and state. Keys and
    // clicks queued behind the key in hand must neither overtake it nor each
    // other, whatever they look like.
    EventWindow w;
    Recorder recorder;
    Ctrl::KeyBinder keys(w.area, recorder);
    Ctrl::MouseBinder mouse(w.area, recorder);
    w.area.grab_focus();
    std::mt19937 random(20240607);
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        recorder.seen.clear();
        std::vector<std::string> sent;
        const guint32 time = 1000 + static_cast<guint32>(run);
        for (int i = 0; i < 12; ++i) {
            GdkEvent* ev = nullptr;
            const int pick = static_cast<int>(random() % 5);
            if (pick < 4) {
                const guint keyval = pick % 2 == 0 ? GDK_KEY_a : GDK_KEY_b;
                ev = make_key_event(w.area, keyval);
                sent.emplace_back(gdk_keyval_name(keyval));
            } else {
                ev = make_button_event(w.area, GDK_BUTTON_PRESS, 1, i, 5);
                sent.push_back("click" + std::to_string(i));
            }
            ev->key.time = time;
            if (ev->type == GDK_BUTTON_PRESS) {
                ev->button.time = time;
            }
            gdk_event_put(ev);
            gdk_event_free(ev);
        }
        const gint64 deadline = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
        while (recorder.seen.size() < sent.size() && g_get_monotonic_time() < deadline) {
            gtk_main_iteration_do(FALSE);
        }
        EXPECT_EQ(recorder.seen, sent);
        EXPECT_EQ(Ctrl::InputQueue::get().held_count(), 0u);
    }
}

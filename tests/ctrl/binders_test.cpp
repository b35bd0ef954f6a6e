#include <memory>
#include <string>
#include <vector>

#include <glib.h>
#include <gtest/gtest.h>

#include "ctrl/binders.hpp"
#include "ctrl/key_action_map.hpp"
#include "ctrl/text_editor.hpp"
#include "event_helpers.hpp"

namespace {

struct RecordingKeyHandler : Ctrl::IKeyHandler {
    Ctrl::KeyActionMap map;
    std::vector<guint> pressed;
    int released = 0;
    bool key_press(GdkEventKey* event) override {
        pressed.push_back(event->keyval);
        return map.action(event);
    }
    bool key_release(GdkEventKey* /*event*/) override {
        ++released;
        return false;
    }
};

struct RecordingMouseHandler : Ctrl::IMouseHandler {
    std::vector<std::string> seen;
    bool button_press_event(GdkEventButton* e) override {
        seen.push_back("press" + std::to_string(e->button));
        return true;
    }
    bool button_release_event(GdkEventButton* e) override {
        seen.push_back("release" + std::to_string(e->button));
        return true;
    }
    bool motion_notify_event(GdkEventMotion* /*e*/) override {
        seen.emplace_back("motion");
        return false;
    }
};

bool send_button(Gtk::Widget& widget, GdkEventType type, guint button) {
    GdkEvent* ev = make_button_event(widget, type, button, 10, 10);
    const bool handled = gtk_widget_event(widget.gobj(), ev);
    gdk_event_free(ev);
    return handled;
}

bool send_motion(Gtk::Widget& widget) {
    GdkEvent* ev = gdk_event_new(GDK_MOTION_NOTIFY);
    ev->motion.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget.gobj())));
    ev->motion.x = 12;
    ev->motion.y = 14;
    ev->motion.state = GDK_BUTTON1_MASK;
    gdk_event_set_device(
        ev, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    const bool handled = gtk_widget_event(widget.gobj(), ev);
    gdk_event_free(ev);
    return handled;
}

}  // namespace

TEST(KeyBinderTest, ForwardsToTheCurrentHandlerOnly) {
    EventWindow w;
    Ctrl::KeyBinder binder(w.area, nullptr);
    EXPECT_TRUE(w.area.get_can_focus());
    EXPECT_EQ(w.area.get_events() & (Gdk::KEY_PRESS_MASK | Gdk::KEY_RELEASE_MASK),
              Gdk::KEY_PRESS_MASK | Gdk::KEY_RELEASE_MASK);
    EXPECT_FALSE(send_key(w.area, GDK_KEY_a));

    auto first = std::make_shared<RecordingKeyHandler>();
    auto second = std::make_shared<RecordingKeyHandler>();
    first->map.set("a", [] { return true; });
    binder.set_handler(first);
    EXPECT_TRUE(send_key(w.area, GDK_KEY_a));
    EXPECT_FALSE(send_key(w.area, GDK_KEY_b));
    EXPECT_EQ(first->pressed, (std::vector<guint>{GDK_KEY_a, GDK_KEY_b}));
    EXPECT_EQ(first->released, 2);

    binder.set_handler(second);
    EXPECT_FALSE(send_key(w.area, GDK_KEY_a));
    EXPECT_EQ(first->pressed.size(), 2u);
    EXPECT_EQ(second->pressed, std::vector<guint>{GDK_KEY_a});
}

TEST(KeyBinderTest, HandlesEventsQueuedBeforeTheKeyFirst) {
    EventWindow w;
    auto handler = std::make_shared<RecordingKeyHandler>();
    bool idle_ran = false;
    bool idle_ran_before_key = false;
    handler->map.set("a", [&] {
        idle_ran_before_key = idle_ran;
        return true;
    });
    Ctrl::KeyBinder binder(w.area, handler);
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &idle_ran, nullptr);
    EXPECT_TRUE(send_key(w.area, GDK_KEY_a));
    EXPECT_TRUE(idle_ran_before_key);
}

TEST(KeyBinderTest, DestroyedBinderNoLongerForwards) {
    EventWindow w;
    auto handler = std::make_shared<RecordingKeyHandler>();
    handler->map.set("a", [] { return true; });
    {
        Ctrl::KeyBinder binder(w.area, handler);
        EXPECT_TRUE(send_key(w.area, GDK_KEY_a));
    }
    EXPECT_FALSE(send_key(w.area, GDK_KEY_a));
    EXPECT_EQ(handler->pressed.size(), 1u);
}

TEST(KeyBinderTest, UnconsumedKeysReachATextEditorOnTheSameWidget) {
    EventWindow w;
    auto handler = std::make_shared<RecordingKeyHandler>();
    handler->map.set("x", [] { return true; });
    handler->map.set("y", [] { return false; });
    Ctrl::KeyBinder binder(w.area, handler);
    Ctrl::TextEditor editor(w.area, w.area.create_pango_layout(""), 0);

    send_key(w.area, GDK_KEY_x);  // bound and done: consumed
    send_key(w.area, GDK_KEY_y);  // bound but failed: passed on
    send_key(w.area, GDK_KEY_z);  // unbound: passed on
    EXPECT_EQ(editor.get_layout()->get_text(), "yz");
    EXPECT_EQ(handler->pressed, (std::vector<guint>{GDK_KEY_x, GDK_KEY_y, GDK_KEY_z}));

    // A mode change swaps the handler; the editor still gets what it leaves.
    auto next = std::make_shared<RecordingKeyHandler>();
    next->map.set("z", [] { return true; });
    binder.set_handler(next);
    send_key(w.area, GDK_KEY_z);
    send_key(w.area, GDK_KEY_x);
    EXPECT_EQ(editor.get_layout()->get_text(), "yzx");
    EXPECT_EQ(handler->pressed.size(), 3u);
}

TEST(MouseBinderTest, ForwardsButtonsAndMotionUntilDestroyed) {
    EventWindow w;
    auto handler = std::make_shared<RecordingMouseHandler>();
    const bool could_focus = w.area.get_can_focus();
    {
        Ctrl::MouseBinder binder(w.area, nullptr);
        EXPECT_EQ(w.area.get_can_focus(), could_focus);
        const auto mask =
            Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK | Gdk::POINTER_MOTION_MASK;
        EXPECT_EQ(w.area.get_events() & mask, mask);
        EXPECT_FALSE(send_button(w.area, GDK_BUTTON_PRESS, 1));

        binder.set_handler(handler);
        EXPECT_TRUE(send_button(w.area, GDK_BUTTON_PRESS, 1));
        EXPECT_FALSE(send_motion(w.area));
        EXPECT_TRUE(send_button(w.area, GDK_BUTTON_RELEASE, 3));
        EXPECT_EQ(handler->seen, (std::vector<std::string>{"press1", "motion", "release3"}));
    }
    send_button(w.area, GDK_BUTTON_PRESS, 1);
    EXPECT_EQ(handler->seen.size(), 3u);
}

TEST(KeyBinderTest, OwnerMayDropBinderAndEditorWhileTheyHandleAKey) {
    // The command line's "q" closes the window from inside a key press, and
    // an owner may drop its editor on the editor's own update.
    EventWindow w;
    auto handler = std::make_shared<RecordingKeyHandler>();
    auto binder = std::make_unique<Ctrl::KeyBinder>(w.area, handler);
    handler->map.set("q", [&binder] {
        binder.reset();
        return true;
    });
    auto editor = std::make_unique<Ctrl::TextEditor>(w.area, w.area.create_pango_layout(""), 0);
    int updates = 0;
    editor->signal_update().connect([&](const std::optional<std::string>&, int) {
        ++updates;
        editor.reset();
    });
    send_key(w.area, GDK_KEY_a);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(editor, nullptr);
    EXPECT_TRUE(send_key(w.area, GDK_KEY_q));
    EXPECT_EQ(binder, nullptr);
    EXPECT_FALSE(send_key(w.area, GDK_KEY_q));
}

TEST(KeyBinderTest, KeysTypedAheadAreHandledAfterTheKeyInHandInArrivalOrder) {
    // The binder dispatches pending events before handling a key; keys
    // already queued behind it must not jump ahead of it ("w b.xml" once
    // arrived as "w b.lmx").
    EventWindow w;
    Ctrl::KeyBinder binder(w.area, nullptr);
    auto handler = std::make_shared<RecordingKeyHandler>();
    binder.set_handler(handler);
    w.area.grab_focus();  // focusable only since the binder exists
    for (guint keyval : {GDK_KEY_x, GDK_KEY_m, GDK_KEY_l}) {
        GdkEvent* ev = make_key_event(w.area, keyval);
        gdk_event_put(ev);
        gdk_event_free(ev);
    }
    send_key(w.area, GDK_KEY_period);
    for (int i = 0; i < 100 && gtk_events_pending(); ++i) {
        gtk_main_iteration_do(FALSE);
    }
    EXPECT_EQ(handler->pressed,
              (std::vector<guint>{GDK_KEY_period, GDK_KEY_x, GDK_KEY_m, GDK_KEY_l}));
}

namespace {

// Queues key presses the way a fast typist does: all waiting in the event
// queue before the first is handled, each with its own time stamp.
struct TypeAhead {
    Gtk::Widget& widget;
    guint32 time = 1000;

    void put(guint keyval) {
        GdkEvent* ev = make_key_event(widget, keyval);
        ev->key.time = time += 10;
        gdk_event_put(ev);
        gdk_event_free(ev);
    }

    template <typename Done>
    void run_until(Done done) {
        const gint64 deadline = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
        while (!done() && g_get_monotonic_time() < deadline) {
            gtk_main_iteration_do(FALSE);
        }
    }
};

}  // namespace

TEST(KeyBinderTest, KeysTypedAheadAreHandledInArrivalOrder) {
    // Keys queued while one is handled wait for it, and a key arriving while
    // those are replayed queues up behind them.
    EventWindow w;
    TypeAhead typist{w.area};
    auto handler = std::make_shared<RecordingKeyHandler>();
    handler->map.set("a", [&] {
        if (handler->pressed.size() == 1) {
            typist.put(GDK_KEY_e);
        }
        return true;
    });
    Ctrl::KeyBinder binder(w.area, handler);
    // Queued events travel through the window to its focus widget.
    w.area.grab_focus();
    for (guint k : {GDK_KEY_a, GDK_KEY_b, GDK_KEY_c, GDK_KEY_d}) {
        typist.put(k);
    }
    typist.run_until([&] { return handler->pressed.size() >= 5; });
    EXPECT_EQ(handler->pressed,
              (std::vector<guint>{GDK_KEY_a, GDK_KEY_b, GDK_KEY_c, GDK_KEY_d, GDK_KEY_e}));

    // Typed text passes the binder and a text editor, which drains again.
    Ctrl::TextEditor editor(w.area, w.area.create_pango_layout(""), 0);
    const auto text = [&editor] { return std::string(editor.get_layout()->get_text()); };
    for (guint k : {GDK_KEY_v, GDK_KEY_w, GDK_KEY_x, GDK_KEY_y, GDK_KEY_z}) {
        typist.put(k);
    }
    typist.run_until([&] { return text().size() >= 5; });
    EXPECT_EQ(text(), "vwxyz");
}

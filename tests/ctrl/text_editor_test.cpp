#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "ctrl/binders.hpp"
#include "ctrl/text_editor.hpp"
#include "event_helpers.hpp"

namespace {

using Overstep = std::tuple<int, int, int>;

// An editor on a shown drawing area, with everything it announces recorded.
struct EditorFixture : testing::Test {
    EventWindow w;
    std::unique_ptr<Ctrl::TextEditor> ed;
    std::vector<std::optional<std::string>> texts;
    std::vector<int> cursors;
    std::vector<Overstep> oversteps;

    Ctrl::TextEditor& make(const std::string& text, int cursor) {
        ed = std::make_unique<Ctrl::TextEditor>(w.area, w.area.create_pango_layout(text), cursor);
        watch(*ed);
        return *ed;
    }
    void watch(Ctrl::TextEditor& e) {
        e.signal_update().connect([this](const std::optional<std::string>& t, int c) {
            texts.push_back(t);
            cursors.push_back(c);
        });
        e.signal_overstep_cursor_limit().connect(
            [this](int c, int l, int x) { oversteps.emplace_back(c, l, x); });
    }
    std::string text() const { return ed->get_layout()->get_text(); }
    // Pixel x of byte index i, as the editor measures its goal column.
    int x_of(int i) const { return ed->get_layout()->index_to_pos(i).get_x() / PANGO_SCALE; }
};

}  // namespace

TEST_F(EditorFixture, MoveCharStepsWholeCharactersAndOversteps) {
    make("a\u00e9", 0);  // a, then the two bytes of e-acute
    ed->move_char(1);
    EXPECT_EQ(ed->get_cursor_index(), 1);
    ed->move_char(1);
    EXPECT_EQ(ed->get_cursor_index(), 3);
    EXPECT_TRUE(oversteps.empty());
    EXPECT_TRUE(ed->move_char(1));
    EXPECT_EQ(ed->get_cursor_index(), 3);
    ASSERT_EQ(oversteps.size(), 1u);
    EXPECT_EQ(oversteps[0], Overstep(1, 0, x_of(3)));
    // Only cursor updates, no text, and none for the overstepping move.
    EXPECT_EQ(texts, (std::vector<std::optional<std::string>>{std::nullopt, std::nullopt}));

    ed->move_char(-1);
    EXPECT_EQ(ed->get_cursor_index(), 1);
    ed->move_char(-2);
    EXPECT_EQ(ed->get_cursor_index(), 0);
    EXPECT_EQ(oversteps.back(), Overstep(-1, 0, 0));
}

TEST_F(EditorFixture, CursorStartsInsideTheTextOnABoundary) {
    make("\u00e9", 1);  // inside the two-byte character
    EXPECT_EQ(ed->get_cursor_index(), 0);
    make("ab", 99);
    EXPECT_EQ(ed->get_cursor_index(), 2);
}

TEST_F(EditorFixture, MoveLineKeepsTheGoalColumnAndReportsTheFullOverstep) {
    make("abcd\nx\nabcd", 3);
    const int goal = x_of(3);
    EXPECT_TRUE(ed->move_line(1));
    EXPECT_EQ(ed->get_cursor_index(), 6);  // end of the short line
    EXPECT_TRUE(ed->move_line(1));
    EXPECT_EQ(ed->get_cursor_index(), 10);  // back at column 3
    EXPECT_EQ(ed->get_cursor_point_x(), goal);

    EXPECT_FALSE(ed->move_line(1));
    EXPECT_EQ(ed->get_cursor_index(), 10);
    EXPECT_EQ(oversteps.back(), Overstep(0, 1, goal));
    ed->move_line(-2);
    EXPECT_EQ(ed->get_cursor_index(), 3);
    // From the first line, three down passes two lines but reports all three.
    EXPECT_FALSE(ed->move_line(3));
    EXPECT_EQ(oversteps.back(), Overstep(0, 3, goal));
    EXPECT_FALSE(ed->move_line(-1));
    EXPECT_EQ(oversteps.back(), Overstep(0, -1, goal));
}

TEST_F(EditorFixture, TakeOverCursorEntersAtTheNearEdge) {
    make("abcd\nab\nabcd", 0);
    const int col2 = x_of(2);
    ed->take_over_cursor(0, 1, col2);  // came down from the text above
    EXPECT_EQ(ed->get_cursor_index(), 2);
    ed->take_over_cursor(0, -1, col2);  // came up from the text below
    EXPECT_EQ(ed->get_cursor_index(), 10);
    ed->take_over_cursor(0, 2, col2);  // one line was left to go after entering
    EXPECT_EQ(ed->get_cursor_index(), 7);
    ed->take_over_cursor(1, 0, 0);
    EXPECT_EQ(ed->get_cursor_index(), 0);
    ed->take_over_cursor(2, 0, 0);
    EXPECT_EQ(ed->get_cursor_index(), 1);
    ed->take_over_cursor(-1, 0, 0);
    EXPECT_EQ(ed->get_cursor_index(), 12);
    EXPECT_TRUE(oversteps.empty());
}

TEST_F(EditorFixture, DelAndBsEditOneCharacterAndStopAtTheEdges) {
    make("x\u00e9y", 3);
    ed->bs();
    EXPECT_EQ(text(), "xy");
    EXPECT_EQ(ed->get_cursor_index(), 1);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts.back(), std::optional<std::string>("xy"));
    ed->del();
    EXPECT_EQ(text(), "x");
    EXPECT_EQ(ed->get_cursor_index(), 1);
    EXPECT_TRUE(ed->del());  // at the end: nothing
    ed->move_char(-1);
    const size_t updates = texts.size();
    EXPECT_TRUE(ed->bs());  // at the start: nothing
    EXPECT_EQ(text(), "x");
    EXPECT_EQ(texts.size(), updates);
}

TEST_F(EditorFixture, DelLineRemovesTheLineAndOneLineFeed) {
    make("ab\ncd\nef", 4);  // in cd
    ed->del_line();
    EXPECT_EQ(text(), "ab\nef");
    EXPECT_EQ(ed->get_cursor_index(), 4);  // ef, same column
    EXPECT_EQ(texts.back(), std::optional<std::string>("ab\nef"));

    make("ab\ncd\nef", 1);  // in ab
    ed->del_line();
    EXPECT_EQ(text(), "cd\nef");
    EXPECT_EQ(ed->get_cursor_index(), 1);

    make("ab\ncd\nef", 7);  // in ef: the cursor goes to the line now holding the cut
    ed->del_line();
    EXPECT_EQ(text(), "ab\ncd");
    EXPECT_EQ(ed->get_cursor_index(), 4);

    make("only", 2);
    ed->del_line();
    EXPECT_EQ(text(), "");
    EXPECT_EQ(ed->get_cursor_index(), 0);
}

TEST_F(EditorFixture, CommitInsertsAtTheCursor) {
    make("ad", 1);
    ed->commit("bc");
    EXPECT_EQ(text(), "abcd");
    EXPECT_EQ(ed->get_cursor_index(), 3);
    EXPECT_TRUE(ed->new_line());
    EXPECT_EQ(text(), "abc\nd");
    EXPECT_EQ(cursors.back(), 4);
}

TEST_F(EditorFixture, PreeditReplacesItselfAndCommitLandsOnce) {
    make("AB", 1);
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    ed->start_preedit("ka", attrs, 2);
    EXPECT_EQ(text(), "AkaB");
    EXPECT_EQ(ed->get_cursor_index(), 3);
    ed->start_preedit("\u304b", attrs, 1);  // the input method turned "ka" into one kana
    EXPECT_EQ(text(), "A\u304bB");
    EXPECT_EQ(ed->get_preedit_pos(), 1);
    EXPECT_EQ(ed->get_cursor_index(), 4);
    // The preedit's attributes are moved to where it stands in the text.
    // The list is held for as long as the iterator walks it: the iterator
    // keeps no reference of its own.
    Pango::AttrList preedit_attrs = ed->get_layout()->get_attributes();
    PangoAttrIterator* it = pango_attr_list_get_iterator(preedit_attrs.gobj());
    int start = -1;
    int end = -1;
    pango_attr_iterator_range(it, &start, &end);
    if (pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE) == nullptr) {
        pango_attr_iterator_next(it);
        pango_attr_iterator_range(it, &start, &end);
    }
    EXPECT_EQ(start, 1);
    pango_attr_iterator_destroy(it);
    pango_attr_list_unref(attrs);

    ed->commit("\u304b");
    EXPECT_EQ(text(), "A\u304bB");
    EXPECT_EQ(ed->get_cursor_index(), 4);
    EXPECT_EQ(ed->get_preedit_attrs(), nullptr);
    EXPECT_FALSE(ed->is_preediting());
    EXPECT_EQ(pango_layout_get_attributes(ed->get_layout()->gobj()), nullptr);

    // The editor takes its own reference to the attributes it is given.
    PangoAttrList* more = pango_attr_list_new();
    ed->start_preedit("x", more, 1);
    pango_attr_list_unref(more);
    ed->cancel_preedit();
    EXPECT_EQ(text(), "A\u304bB");
    EXPECT_EQ(ed->get_cursor_index(), 4);
}

TEST_F(EditorFixture, MoveCursorAtXyPicksTheNearerSideOfACharacter) {
    make("ab\ncd", 0);
    const auto layout = ed->get_layout();
    const Pango::Rectangle b = layout->index_to_pos(1);
    const double b_left = b.get_x() / double(PANGO_SCALE);
    const double b_width = b.get_width() / double(PANGO_SCALE);
    const double line2_y = layout->index_to_pos(3).get_y() / double(PANGO_SCALE) + 1;
    ed->move_cursor_at_xy(Point(b_left + b_width * 0.25, 1));
    EXPECT_EQ(ed->get_cursor_index(), 1);
    ed->move_cursor_at_xy(Point(b_left + b_width * 0.75, 1));
    EXPECT_EQ(ed->get_cursor_index(), 2);
    ed->move_cursor_at_xy(Point(1, line2_y));
    EXPECT_EQ(ed->get_cursor_index(), 3);
    ed->move_cursor_at_xy(Point(1e300, 1e300));  // far off: the end, no overflow
    EXPECT_EQ(ed->get_cursor_index(), 5);
    EXPECT_EQ(texts.size(), 4u);
}

TEST_F(EditorFixture, InputMethodComposesOnlyWhileEditingIsOn) {
    make("", 0);
    ed->set_can_edit(false);
    EXPECT_FALSE(send_key(w.area, GDK_KEY_a));
    EXPECT_EQ(text(), "");
    ed->set_can_edit(true);
    send_key(w.area, GDK_KEY_a);
    EXPECT_EQ(text(), "a");

    // Hex entry of the simple input method: a preedit shown in the text,
    // then one committed character in its place.
    const guint cs = GDK_CONTROL_MASK | GDK_SHIFT_MASK;
    send_key(w.area, GDK_KEY_U, cs);
    send_key(w.area, GDK_KEY_e, cs);
    send_key(w.area, GDK_KEY_9, cs);
    EXPECT_TRUE(ed->is_preediting());
    EXPECT_EQ(text(), "aue9");
    EXPECT_EQ(texts.back(), std::optional<std::string>("aue9"));
    EXPECT_NE(ed->get_preedit_attrs(), nullptr);
    send_key(w.area, GDK_KEY_space, cs);
    EXPECT_EQ(text(), "a\u00e9");
    EXPECT_EQ(ed->get_cursor_index(), 3);
    EXPECT_FALSE(ed->is_preediting());
}

TEST_F(EditorFixture, OneWidgetOutlivesManyEditors) {
    for (int i = 0; i < 5; ++i) {
        make("", 0);  // each replaces (and so destroys) the one before
    }
    send_key(w.area, GDK_KEY_q);
    EXPECT_EQ(text(), "q");
    EXPECT_EQ(texts.size(), 1u);  // only the live editor answered
    ed.reset();
    EXPECT_FALSE(send_key(w.area, GDK_KEY_q));
}

TEST(TextEditorTest, SurvivesItsWidget) {
    auto area = std::make_unique<Gtk::DrawingArea>();
    Ctrl::TextEditor ed(*area, area->create_pango_layout("ab"), 1);
    area.reset();
    ed.set_can_edit(true);
    ed.set_can_edit(false);
    ed.move_char(1);
    EXPECT_EQ(ed.get_cursor_index(), 2);
}

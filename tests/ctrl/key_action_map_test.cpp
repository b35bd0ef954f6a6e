#include <random>
#include <string>
#include <vector>

#include <gdk/gdkkeysyms.h>
#include <giomm/simpleactiongroup.h>
#include <gtest/gtest.h>

#include "ctrl/command_action_map.hpp"
#include "ctrl/key_action_map.hpp"
#include "ctrl/name_action_map.hpp"

using Ctrl::KeyActionMap;
using Ctrl::KeyActionMapKey;
using Ctrl::KeyActionMapKeyPattern;

namespace {

uint32_t id_of_typed(uint32_t keyval, uint32_t state = 0) {
    return KeyActionMapKey(keyval, state).get_id();
}

uint32_t id_of_name(const char* name) {
    const KeyActionMapKeyPattern p(name);
    EXPECT_EQ(p.get_count(), 1) << name;
    return p.get(0).get_id();
}

// A map that records which binding ran.
struct Recorder {
    KeyActionMap map;
    std::vector<std::string> ran;
    void bind(const char* pattern, bool result = true) {
        map.set(pattern, [this, pattern, result] {
            ran.emplace_back(pattern);
            return result;
        });
    }
};

}  // namespace

TEST(KeyTest, ShiftCountsOnlyForShiftableKeys) {
    // Return keeps Shift: "<S-Enter>" is Shift+Return and not plain Return.
    EXPECT_EQ(id_of_typed(GDK_KEY_Return, GDK_SHIFT_MASK), id_of_name("<S-Enter>"));
    EXPECT_NE(id_of_typed(GDK_KEY_Return), id_of_name("<S-Enter>"));
    EXPECT_EQ(id_of_typed(GDK_KEY_Delete, GDK_SHIFT_MASK), id_of_name("<S-Del>"));
    // Printable keys drop it: Shift+o arrives as "O"; the colon needs Shift.
    EXPECT_EQ(id_of_typed(GDK_KEY_O, GDK_SHIFT_MASK), id_of_name("O"));
    EXPECT_NE(id_of_typed(GDK_KEY_o, GDK_SHIFT_MASK), id_of_name("O"));
    EXPECT_EQ(id_of_typed(GDK_KEY_colon, GDK_SHIFT_MASK), id_of_name("<:>"));
    EXPECT_EQ(id_of_name("<S-a>"), id_of_name("a"));
    // Space is shiftable.
    EXPECT_NE(id_of_typed(GDK_KEY_space, GDK_SHIFT_MASK), id_of_typed(GDK_KEY_space));
}

TEST(KeyTest, LockAndAltModifiersAreIgnored) {
    const uint32_t noise = GDK_LOCK_MASK | GDK_MOD2_MASK | GDK_MOD1_MASK;
    EXPECT_EQ(id_of_typed(GDK_KEY_k, noise), id_of_name("k"));
    EXPECT_EQ(id_of_typed(GDK_KEY_r, GDK_CONTROL_MASK | noise), id_of_name("<C-r>"));
    EXPECT_EQ(id_of_typed(GDK_KEY_Up, noise), id_of_name("<Up>"));
    EXPECT_NE(id_of_typed(GDK_KEY_r, GDK_CONTROL_MASK), id_of_name("r"));
    EXPECT_EQ(id_of_typed(GDK_KEY_x, GDK_META_MASK), id_of_name("<M-x>"));
}

TEST(KeyTest, SpecialNamesAndUnknownNames) {
    EXPECT_EQ(id_of_name("<CR>"), id_of_name("<Enter>"));
    EXPECT_EQ(id_of_name("<CR>"), id_of_typed(GDK_KEY_Return));
    EXPECT_EQ(id_of_name("<Esc>"), id_of_typed(GDK_KEY_Escape));
    EXPECT_EQ(id_of_name("<C-[>"), id_of_typed(GDK_KEY_bracketleft, GDK_CONTROL_MASK));
    EXPECT_EQ(id_of_name("<BS>"), id_of_typed(GDK_KEY_BackSpace));
    EXPECT_EQ(id_of_name("<lt>"), id_of_typed(GDK_KEY_less));
    EXPECT_EQ(KeyActionMapKeyPattern("<NoSuchKey>").get(0).get_keyval(), GDK_KEY_VoidSymbol);
}

TEST(KeyPatternTest, ParsesBracketsAndPlainBytes) {
    EXPECT_EQ(KeyActionMapKeyPattern("").get_count(), 0);
    EXPECT_EQ(KeyActionMapKeyPattern("dd").get_count(), 2);
    EXPECT_EQ(KeyActionMapKeyPattern("<C-r>").get_count(), 1);
    EXPECT_EQ(KeyActionMapKeyPattern("g<C-r>x").get_count(), 3);
    // An unclosed bracket swallows itself and what follows.
    EXPECT_EQ(KeyActionMapKeyPattern("a<bc").get_count(), 1);
    EXPECT_EQ(KeyActionMapKeyPattern("<").get_count(), 0);
    // Past the end reads as the empty key.
    EXPECT_EQ(KeyActionMapKeyPattern("a").get(5).get_id(), 0u);

    for (const char* text : {"dd", "<C-r>", "<:>", "<Esc>", "O", "<Up>", "<S-Del>", "g<C-[>"}) {
        const KeyActionMapKeyPattern p(text);
        EXPECT_EQ(p.to_string(), text);
    }
    // Return shows its first table name.
    EXPECT_EQ(KeyActionMapKeyPattern("<S-Enter>").to_string(), "<S-CR>");
}

TEST(KeyPatternTest, AnyBytesParseToARoundTrippablePattern) {
    std::mt19937 rng(7);
    const std::string alphabet = "<>SCM-:a[]\xc3\xa9 \x01";
    for (int n = 0; n < 2000; ++n) {
        std::string text;
        const int len = static_cast<int>(rng() % 12);
        for (int i = 0; i < len; ++i) {
            text += alphabet[rng() % alphabet.size()];
        }
        const auto p = Ctrl::parse_key_pattern(text);
        ASSERT_LE(p.get_count(), len) << text;
        // What a pattern prints parses back to the same pattern.
        ASSERT_EQ(Ctrl::parse_key_pattern(p.to_string()).compare_to(p), 0) << text;
    }
}

TEST(KeyPatternTest, PrefixSortsBeforeItsExtensions) {
    const KeyActionMapKeyPattern a("a"), ab("ab"), b("b");
    EXPECT_LT(a.compare_to(ab), 0);
    EXPECT_LT(ab.compare_to(b), 0);
    EXPECT_LT(a.compare_to(b), 0);
    EXPECT_GT(b.compare_to(a), 0);
    EXPECT_EQ(ab.compare_to(KeyActionMapKeyPattern("ab")), 0);
    EXPECT_TRUE(ab.may_match_to(a));
    EXPECT_TRUE(ab.may_match_to(ab));
    EXPECT_FALSE(a.may_match_to(ab));
    EXPECT_FALSE(b.may_match_to(a));
}

TEST(KeyActionMapTest, EqualPatternsReplaceEachOther) {
    Recorder r;
    r.bind("<CR>");
    r.bind("<Enter>");
    EXPECT_TRUE(r.map.action(GDK_KEY_Return, 0));
    EXPECT_EQ(r.ran, std::vector<std::string>{"<Enter>"});
    EXPECT_EQ(r.map.get("<CR>"), r.map.get("<Enter>"));
    EXPECT_EQ(r.map.get("q"), nullptr);
}

TEST(KeyActionMapTest, MultiKeyPatternWaitsAndClears) {
    Recorder r;
    r.bind("dd");
    r.bind("j");
    r.bind("x");
    // "d" alone only waits.
    EXPECT_FALSE(r.map.action(GDK_KEY_d, 0));
    EXPECT_TRUE(r.map.get_pending().has_value());
    EXPECT_TRUE(r.map.action(GDK_KEY_d, 0));
    EXPECT_EQ(r.ran, std::vector<std::string>{"dd"});
    EXPECT_FALSE(r.map.get_pending().has_value());

    // "d" then "x": the wait is cleared and the "x" is not consumed, so it
    // can go on to a text editor; the next "x" is an ordinary key again.
    r.ran.clear();
    EXPECT_FALSE(r.map.action(GDK_KEY_d, 0));
    EXPECT_FALSE(r.map.action(GDK_KEY_x, 0));
    EXPECT_FALSE(r.map.get_pending().has_value());
    EXPECT_TRUE(r.ran.empty());
    EXPECT_TRUE(r.map.action(GDK_KEY_x, 0));
    EXPECT_EQ(r.ran, std::vector<std::string>{"x"});

    // A modifier pressed on its own also ends a wait.
    EXPECT_FALSE(r.map.action(GDK_KEY_d, 0));
    EXPECT_FALSE(r.map.action(GDK_KEY_Shift_L, 0));
    EXPECT_FALSE(r.map.get_pending().has_value());
}

TEST(KeyActionMapTest, ExactMatchSortingLastStillRuns) {
    // Nothing can continue the last pattern of a map, so it must not be left
    // waiting for more keys.
    Recorder r;
    r.bind("a");
    r.bind("zz");
    EXPECT_FALSE(r.map.action(GDK_KEY_z, 0));
    EXPECT_TRUE(r.map.action(GDK_KEY_z, 0));
    EXPECT_EQ(r.ran, std::vector<std::string>{"zz"});
    EXPECT_TRUE(r.map.action(GDK_KEY_a, 0));
}

TEST(KeyActionMapTest, UnboundAndFailingKeysAreNotConsumed) {
    Recorder r;
    EXPECT_FALSE(r.map.action(GDK_KEY_a, 0));  // empty map
    r.bind("<C-r>", false);
    r.bind("O");
    EXPECT_FALSE(r.map.action(GDK_KEY_r, GDK_CONTROL_MASK));
    EXPECT_EQ(r.ran, std::vector<std::string>{"<C-r>"});
    EXPECT_FALSE(r.map.action(GDK_KEY_q, 0));
    EXPECT_TRUE(r.map.action(GDK_KEY_O, GDK_SHIFT_MASK | GDK_LOCK_MASK));
    EXPECT_FALSE(r.map.action(nullptr));
}

TEST(CommandActionMapTest, SplitsAtUnicodeWhiteSpace) {
    using V = std::vector<std::string>;
    const auto split = &Ctrl::CommandActionMap::split;
    EXPECT_EQ(split("  w \t  /tmp/a.xml  "), (V{"w", "/tmp/a.xml"}));
    EXPECT_EQ(split(""), V{});
    EXPECT_EQ(split(" \t\n"), V{});
    // Ideographic space and no-break space separate; non-ASCII letters don't.
    EXPECT_EQ(split("w\u3000f\u00e9e\u00a0x"), (V{"w", "f\u00e9e", "x"}));
    // Bad UTF-8 is kept as word bytes and never read past the end.
    EXPECT_EQ(split("\xff a"), (V{"\xff", "a"}));
    EXPECT_EQ(split("ab\xe3\x80"), (V{"ab\xe3\x80"}));
}

TEST(CommandActionMapTest, RunsTheCommandWithTheOtherWords) {
    Ctrl::CommandActionMap map;
    std::vector<std::string> got;
    map.set("w", [&got](const std::vector<std::string>& args) {
        got = args;
        return args.size() == 1;
    });
    EXPECT_TRUE(map.action("  w  out.xml"));
    EXPECT_EQ(got, std::vector<std::string>{"out.xml"});
    EXPECT_FALSE(map.action("w a b"));
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(map.action("   "));
    EXPECT_FALSE(map.action("nosuch x"));
}

TEST(NameActionMapTest, AnnouncesNamesAndFallsBackToTheActionGroup) {
    Ctrl::NameActionMap map;
    Ctrl::NameSet announced;
    map.signal_update_actionable_name_sig().connect(
        [&announced](const Ctrl::NameSet& names) { announced = names; });
    int undo_runs = 0;
    map.set("undo", Ctrl::ActionWrapper::create([&undo_runs] { return ++undo_runs > 0; }));
    map.set("redo", Ctrl::ActionWrapper::create([] { return false; }));
    EXPECT_EQ(announced, (Ctrl::NameSet{"redo", "undo"}));
    EXPECT_EQ(map.enum_actionable_name(), announced);

    auto group = Gio::SimpleActionGroup::create();
    int save_runs = 0;
    group->add_action("save-file", [&save_runs] { ++save_runs; });
    group->add_action("redo", [&save_runs] { save_runs += 10; });

    EXPECT_TRUE(map.action_with_glib(group.get(), "undo"));
    EXPECT_EQ(undo_runs, 1);
    EXPECT_TRUE(map.action_with_glib(group.get(), "save-file"));
    EXPECT_EQ(save_runs, 1);
    // The map's own action failed, so the group's is tried.
    EXPECT_TRUE(map.action_with_glib(group.get(), "redo"));
    EXPECT_EQ(save_runs, 11);
    EXPECT_FALSE(map.action_with_glib(group.get(), "nothing"));
    EXPECT_FALSE(map.action_with_glib(nullptr, "save-file"));
    EXPECT_FALSE(map.action("save-file"));
}

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <giomm/simpleaction.h>
#include <glibmm/variant.h>
#include <gtest/gtest.h>
#include <gtkmm/applicationwindow.h>
#include <gtkmm/box.h>
#include <gtkmm/image.h>

#include "view/application.hpp"
#include "view/menubar.hpp"
#include "view/toolbar.hpp"

using View::MenuBar;
using View::MenuItem;
using View::ToolBar;
using View::ToolButton;

namespace {

// A handler whose actionable names the test sets; it runs only the names it
// offers and records them.
class FakeHandler : public Ctrl::INamedActionHandler {
  public:
    explicit FakeHandler(Ctrl::NameSet names) : m_names(std::move(names)) {}
    Ctrl::NameSet enum_actionable_name() override { return m_names; }
    bool action(const std::string& name) override {
        if (m_names.count(name) == 0) {
            return false;
        }
        ran.push_back(name);
        return true;
    }
    void announce(Ctrl::NameSet names) {
        m_names = std::move(names);
        m_signal_update_actionable_name_sig.emit(m_names);
    }
    std::vector<std::string> ran;

  private:
    Ctrl::NameSet m_names;
};

std::vector<std::pair<std::string, std::string>> menu_entries(MenuBar& bar) {
    std::vector<std::pair<std::string, std::string>> out;
    bar.foreach_menu_item([&](MenuItem& item) {
        out.emplace_back(item.get_label(), item.action_name());
        return true;
    });
    return out;
}

bool menu_enabled(MenuBar& bar, const std::string& name) {
    bool enabled = false;
    bar.foreach_menu_item([&](MenuItem& item) {
        if (item.action_name() == name) {
            enabled = item.get_sensitive();
            return false;
        }
        return true;
    });
    return enabled;
}

ToolButton* find_button(ToolBar& bar, const std::string& name) {
    ToolButton* found = nullptr;
    bar.foreach_tool_btn([&](ToolButton& btn) {
        if (btn.action_name() == name) {
            found = &btn;
            return false;
        }
        return true;
    });
    return found;
}

// Every visible pixel of the button's icon, as (r, g, b); empty if none.
std::vector<std::array<int, 3>> icon_colours(ToolButton& btn) {
    std::vector<std::array<int, 3>> out;
    auto* image = dynamic_cast<Gtk::Image*>(btn.get_icon_widget());
    if (image == nullptr || !image->get_pixbuf()) {
        return out;
    }
    auto pb = image->get_pixbuf();
    EXPECT_EQ(pb->get_width(), 16);
    EXPECT_EQ(pb->get_height(), 16);
    for (int y = 0; y < pb->get_height(); ++y) {
        const guint8* p = pb->get_pixels() + y * pb->get_rowstride();
        for (int x = 0; x < pb->get_width(); ++x, p += 4) {
            if (p[3] != 0) {
                out.push_back({p[0], p[1], p[2]});
            }
        }
    }
    return out;
}

const Ctrl::NameSet APP_NAMES = {"new-file", "open-file", "save-file", "save-as-file",
                                 "export-png"};

}  // namespace

TEST(MenuBarTest, MenusHoldTheirEntriesInOrder) {
    auto handler = std::make_shared<FakeHandler>(APP_NAMES);
    MenuBar bar(handler);
    std::vector<std::string> tops;
    for (Gtk::Widget* w : bar.get_children()) {
        tops.push_back(dynamic_cast<Gtk::MenuItem*>(w)->get_label());
    }
    EXPECT_EQ(tops, (std::vector<std::string>{"File", "Edit", "View", "Connector", "Help"}));
    std::vector<std::pair<std::string, std::string>> expected = {
        {"New", "new-file"},
        {"Open", "open-file"},
        {"Save", "save-file"},
        {"Save as", "save-as-file"},
        {"Export image", "export-png"},
        {"Exit", "exit"},
        {"Undo", "undo"},
        {"Redo", "redo"},
        {"Copy", "copy"},
        {"Cut", "cut"},
        {"Paste", "paste"},
        {"Insert class element", "insert-class"},
        {"Insert row", "insert-row"},
        {"Insert column", "insert-col"},
        {"Delete row", "delete-row"},
        {"Delete column", "delete-col"},
        {"Zoom In", "zoom-in"},
        {"Zoom Out", "zoom-out"},
        {"Normal Size", "zoom-normal"},
        {"Fit", "zoom-fit"},
        {"Dependency", "connect-dependency"},
        {"Association", "connect-association"},
        {"Aggregation", "connect-aggregation"},
        {"Composition", "connect-composition"},
        {"Realization", "connect-realization"},
        {"Manual", "manual"},
        {"Version info.", "version"},
    };
    EXPECT_EQ(menu_entries(bar), expected);
    // Three rules in Edit.
    auto* edit = dynamic_cast<Gtk::MenuItem*>(bar.get_children()[1])->get_submenu();
    EXPECT_EQ(edit->get_children().size(), 13u);
}

TEST(MenuBarTest, EnabledStatesFollowTheAnnouncedNames) {
    auto handler = std::make_shared<FakeHandler>(APP_NAMES);
    MenuBar bar(handler);
    EXPECT_TRUE(menu_enabled(bar, "open-file"));
    EXPECT_TRUE(menu_enabled(bar, "export-png"));
    EXPECT_TRUE(menu_enabled(bar, "manual"));
    EXPECT_FALSE(menu_enabled(bar, "undo"));
    EXPECT_FALSE(menu_enabled(bar, "exit"));
    EXPECT_FALSE(menu_enabled(bar, "version"));

    Ctrl::NameSet with_undo = APP_NAMES;
    with_undo.insert("undo");
    handler->announce(with_undo);
    EXPECT_TRUE(menu_enabled(bar, "undo"));
    handler->announce({});
    EXPECT_FALSE(menu_enabled(bar, "undo"));
    EXPECT_FALSE(menu_enabled(bar, "open-file"));
    EXPECT_TRUE(menu_enabled(bar, "manual"));

    // A replaced handler no longer drives the bar; the new one does.
    auto other = std::make_shared<FakeHandler>(Ctrl::NameSet{});
    int notified = 0;
    bar.signal_named_action_changed().connect([&] { ++notified; });
    bar.set_named_action(other);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(bar.get_named_action(), other);
    handler->announce({"redo"});
    EXPECT_FALSE(menu_enabled(bar, "redo"));
    other->announce({"redo"});
    EXPECT_TRUE(menu_enabled(bar, "redo"));
}

TEST(ToolBarTest, ButtonsHoldTheirTooltipsInOrderWithThemAsLabels) {
    auto handler = std::make_shared<FakeHandler>(APP_NAMES);
    ToolBar bar(handler);
    std::vector<std::pair<std::string, std::string>> got;
    bar.foreach_tool_btn([&](ToolButton& b) {
        // The tool item hands its tooltip to the button inside it.
        got.emplace_back(b.get_child()->get_tooltip_text(), b.action_name());
        // The overflow menu of a narrow window reads the label.
        EXPECT_EQ(b.get_label(), b.get_child()->get_tooltip_text());
        return true;
    });
    std::vector<std::pair<std::string, std::string>> expected = {
        {"New", "new-file"},
        {"Open", "open-file"},
        {"Save", "save-file"},
        {"Export image", "export-png"},
        {"Undo", "undo"},
        {"Redo", "redo"},
        {"Copy", "copy"},
        {"Cut", "cut"},
        {"Paste", "paste"},
        {"Insert class element", "insert-class"},
        {"Delete class element", "delete-class"},
        {"Insert block in class", "insert-block"},
        {"Delete block in class", "delete-block"},
        {"Insert row", "insert-row"},
        {"Insert column", "insert-col"},
        {"Delete row", "delete-row"},
        {"Delete column", "delete-col"},
        {"Connect as association", "connect-association"},
        {"Connect as dependency", "connect-dependency"},
        {"Connect as generalization", "connect-generalization"},
        {"Connect as realization", "connect-realization"},
        {"Connect as aggregation", "connect-aggregation"},
        {"Connect as composition", "connect-composition"},
        {"Help", "manual"},
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(bar.get_n_items(), 30);  // 24 buttons and 6 rules
}

TEST(ToolBarTest, IconsTurnGreyWhenDisabledAndOrangeWhenEnabled) {
    View::register_resources();
    auto handler = std::make_shared<FakeHandler>(APP_NAMES);
    ToolBar bar(handler);
    ToolButton* undo = find_button(bar, "undo");
    ASSERT_NE(undo, nullptr);
    auto grey = icon_colours(*undo);
    ASSERT_FALSE(grey.empty());
    for (const auto& c : grey) {
        EXPECT_EQ(c, (std::array<int, 3>{128, 128, 128}));
    }
    Ctrl::NameSet with_undo = APP_NAMES;
    with_undo.insert("undo");
    handler->announce(with_undo);
    EXPECT_TRUE(undo->get_sensitive());
    auto orange = icon_colours(*undo);
    EXPECT_EQ(orange.size(), grey.size());
    for (const auto& c : orange) {
        EXPECT_EQ(c, (std::array<int, 3>{255, 128, 0}));
    }
    // "manual" is on whatever is announced.
    handler->announce({});
    EXPECT_TRUE(find_button(bar, "manual")->get_sensitive());
    EXPECT_FALSE(find_button(bar, "new-file")->get_sensitive());
    EXPECT_EQ(icon_colours(*undo).front(), (std::array<int, 3>{128, 128, 128}));
}

TEST(ToolBarTest, RecolouringKeepsTheAlphaChannel) {
    auto src = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, true, 8, 3, 2);
    src->fill(0x10203040);
    src->get_pixels()[3] = 0;  // one transparent pixel
    auto out = View::recolor_icon(src, true);
    EXPECT_EQ(out->get_width(), 3);
    EXPECT_EQ(out->get_height(), 2);
    EXPECT_EQ(out->get_pixels()[0], 255);
    EXPECT_EQ(out->get_pixels()[1], 128);
    EXPECT_EQ(out->get_pixels()[2], 0);
    EXPECT_EQ(out->get_pixels()[3], 0);
    EXPECT_EQ(out->get_pixels()[out->get_rowstride() + 7], 0x40);
    // The source is not touched.
    EXPECT_EQ(src->get_pixels()[0], 0x10);
}

TEST(BarsTest, EntriesRunTheHandlerThenTheWindowAndExportAlwaysAsksForAFile) {
    auto handler = std::make_shared<FakeHandler>(Ctrl::NameSet{"undo"});
    Gtk::ApplicationWindow window;
    std::vector<std::string> window_ran;
    window.add_action("new-file", [&] { window_ran.push_back("new-file"); });
    window.add_action("manual", [&] { window_ran.push_back("manual"); });
    window.add_action_with_parameter(
        "export-png", Glib::VARIANT_TYPE_STRING, [&](const Glib::VariantBase& v) {
            auto s = Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(v);
            window_ran.push_back("export-png:" + s.get());
        });
    Gtk::Box box(Gtk::ORIENTATION_VERTICAL);
    auto* menu = Gtk::make_managed<MenuBar>(handler);
    auto* tools = Gtk::make_managed<ToolBar>(handler);
    box.add(*menu);
    box.add(*tools);
    window.add(box);

    g_signal_emit_by_name(find_button(*tools, "undo")->gobj(), "clicked");
    EXPECT_EQ(handler->ran, (std::vector<std::string>{"undo"}));
    // Not a handler name: the window's own action runs.
    tools->on_click_tool_btn("new-file");
    menu->on_activate_menu_item("manual");
    // The export entries bypass the handler even if it offered the name.
    handler->announce({"undo", "export-png"});
    g_signal_emit_by_name(find_button(*tools, "export-png")->gobj(), "clicked");
    menu->foreach_menu_item([](MenuItem& item) {
        if (item.action_name() == "export-png") {
            item.activate();
            return false;
        }
        return true;
    });
    EXPECT_EQ(handler->ran, (std::vector<std::string>{"undo"}));
    EXPECT_EQ(window_ran,
              (std::vector<std::string>{"new-file", "manual", "export-png:", "export-png:"}));
}

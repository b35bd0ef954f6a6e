#pragma once

#include <memory>
#include <type_traits>

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "ctrl/context.hpp"
#include "ctrl/key_action_map.hpp"
#include "ctrl/modes/mode.hpp"
#include "model/workspace.hpp"
#include "view/canvas.hpp"

// The canvas shows one workspace; build it whichever way it is made.
// (A template, so that only the branch that fits is compiled.)
template <class C = View::Canvas>
std::unique_ptr<C> make_canvas(const std::shared_ptr<Model::Workspace>& ws) {
    if constexpr (std::is_constructible_v<C, std::shared_ptr<Model::Workspace>>) {
        return std::make_unique<C>(ws);
    } else {
        (void)ws;
        return std::make_unique<C>();
    }
}

// A workspace with its canvas and editing context, the way the main window
// wires them, with keys fed straight to the current mode.
class ModeTestBase : public testing::Test {
  protected:
    std::shared_ptr<Model::Workspace> ws = std::make_shared<Model::Workspace>();
    std::unique_ptr<View::Canvas> canvas_holder = make_canvas(ws);
    View::Canvas& canvas = *canvas_holder;
    std::unique_ptr<Ctrl::Context> ctx = std::make_unique<Ctrl::Context>(ws, canvas);

    ~ModeTestBase() override { ctx.reset(); }

    // Types one key into the current mode; answers whether it was handled.
    bool press(guint keyval, guint state = 0) {
        return ctx->get_now_mode()->get_key_action_map().action(keyval, state);
    }
    bool press_upper(guint keyval) { return press(keyval, GDK_SHIFT_MASK); }

    template <class T>
    bool is_current() const {
        return ctx->get_now_mode() == ctx->get_mode<T>();
    }

    // Places the cursor. The canvas is never shown, so it has no size and
    // scrolls for any cursor; the tests reason in unscrolled coordinates.
    void go_to(int32_t h, int32_t v) {
        ctx->set_cell_pos(CellPos(h, v));
        canvas.set_view_offset(Point());
    }
};

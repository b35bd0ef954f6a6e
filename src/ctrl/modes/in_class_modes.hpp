#pragma once

#include <memory>
#include <optional>
#include <string>

#include <sigc++/connection.h>

#include "common/cell_pos.hpp"
#include "common/text_range.hpp"
#include "ctrl/modes/mode.hpp"

namespace Model {
class ClassElement;
class TextElement;
}  // namespace Model

namespace Ctrl {

class TextEditor;

// The modes that edit the name and the blocks of the class under the cell
// cursor. One text element of the class is active at a time; it gets a text
// editor of its own, and the editor's changes come back here to be run as
// text-update actions, so that a run of edits in one class undoes in one step
// until the mode is left.
class AbstractModeInClass : public Mode {
  public:
    explicit AbstractModeInClass(Context& ctrl);
    ~AbstractModeInClass() override;

    // "is-enterable": only with an element under the cell cursor.
    bool get_is_enterable() const override;

    // Takes the class under the cell cursor and activates its current text
    // element; a cell without a class leaves the mode without a class.
    void on_enter() override;
    // Ends the editing of the active element and closes the merge run.
    void on_exit() override;
    // A press outside the class leaves for the cell mode; inside, it moves
    // the text cursor to the pressed character, changing the active element
    // when needed. Always true.
    bool on_press_left_button(const Point& pt) override;

    // The editor for a text element, its cursor at the element's cursor.
    virtual std::shared_ptr<TextEditor> new_text_editor(
        const std::shared_ptr<Model::TextElement>& text_elem);
    // Makes a text element of the class the active one, with a new editor.
    virtual void change_active_text_elem(const std::shared_ptr<Model::TextElement>& text_elem);

    // When pt lies on another cell than the edited one: the cursor goes
    // there and the cell mode becomes current (true). Otherwise false.
    bool change_to_cell_mode_if_need(const Point& pt);
    // Inserts the text of the CLIPBOARD selection at the cursor of the
    // active element. False only without a class.
    [[nodiscard]] bool paste();
    // Shows a new block below the active text element / hides the active
    // block; the processor's result.
    [[nodiscard]] bool add_block();
    [[nodiscard]] bool rm_block();

    // "editing-klass", "editing-cell-pos"
    const std::shared_ptr<Model::ClassElement>& get_editing_klass() const {
        return m_editing_klass;
    }
    const CellPos& get_editing_cell_pos() const { return m_editing_cell_pos; }
    // The editor of the active text element, or null outside the mode.
    const std::shared_ptr<TextEditor>& get_text_editor() const { return m_text_editor; }

    // Whether the edited text is measured for editing (room for the caret
    // on empty lines and after spaces) or as it is saved.
    void set_editing_measure(bool on);

  protected:
    // Sizes the edited class's row and column again after the edited text
    // was measured anew for editing, or for its end.
    void relayout_editing_cell();
    // The editor's "update": text is set when the text changed.
    virtual void on_update_cb(const std::optional<std::string>& text, int cursor);
    // The editor's "overstep-cursor-limit": carries the movement on into the
    // text element above or below, if there is one.
    void on_overstep_cursor_limit_cb(int char_overstep, int line_overstep, int point_x);

    // Cursor movements of the key tables; true, also without an editor.
    bool move_line(int n);
    bool move_char(int n);
    // Up and down by lines, left and right by characters.
    bool move_cursor(MovingDir dir);
    // The movement keys with their letters, and "<CR>" and "<BS>" moving
    // down and back, for the modes in which letters do not type.
    void bind_text_moves();
    // Runs one editor operation, keeping the editor alive across it: the
    // operation may make another text element active, which replaces it.
    template <class Fn>
    bool with_editor(Fn fn) {
        auto editor = m_text_editor;
        if (!editor) {
            return false;
        }
        return fn(*editor);
    }
    // Runs a text-update action setting the text of the active element;
    // false, with the text left as it was, when it would grow too long.
    bool update_active_text(const std::string& text);
    // Takes back an edit the editor made that is refused, and says so.
    void refuse_text();

    std::shared_ptr<Model::ClassElement> m_editing_klass;
    CellPos m_editing_cell_pos;
    std::shared_ptr<TextEditor> m_text_editor;

  private:
    sigc::connection m_update_conn;
    sigc::connection m_overstep_conn;
};

// Moves the text cursor and deletes; typed characters are not inserted.
class NormalModeInClass : public AbstractModeInClass {
  public:
    explicit NormalModeInClass(Context& ctrl);
    std::string get_name() const override { return "NORMAL MODE (CLASS)"; }
    std::shared_ptr<TextEditor> new_text_editor(
        const std::shared_ptr<Model::TextElement>& text_elem) override;
};

// Selects text, across the text elements of the class, to copy or delete.
class VisualModeInClass : public AbstractModeInClass {
  public:
    explicit VisualModeInClass(Context& ctrl);
    std::string get_name() const override { return "VISUAL MODE (CLASS)"; }
    std::shared_ptr<TextEditor> new_text_editor(
        const std::shared_ptr<Model::TextElement>& text_elem) override;

    // range becomes [min(a, b), max(a, b)).
    static void set_cursor(TextRange& range, int a, int b);

    void on_enter() override;
    void on_exit() override;
    // Carries the selection from the old active element into the new one.
    void change_active_text_elem(const std::shared_ptr<Model::TextElement>& text_elem) override;

    // While selecting the press extends the selection; after the button
    // was released a press leaves for the normal mode, which handles it.
    bool on_press_left_button(const Point& pt) override;
    bool on_drag_with_left_button(const Point& start_pt, const Point& now_pt) override;
    bool on_release_left_button(const Point& pt) override;

    // Deletes the selected bytes of every shown text element in one action,
    // then changes to the normal mode.
    bool del_range();
    // Puts the selected text on standard output and on the CLIPBOARD
    // selection, then changes to the normal mode.
    bool copy();
    // The selected text: the pieces of the elements from the anchor's to
    // the active one, one line feed between two elements.
    std::string get_selected_text() const;

    int get_anchor_index() const { return m_anchor_index; }
    const std::shared_ptr<Model::TextElement>& get_anchor_elem() const { return m_anchor_elem; }
    bool get_is_selecting() const { return m_is_selecting; }

  protected:
    void on_update_cb(const std::optional<std::string>& text, int cursor) override;

  private:
    int m_anchor_index = 0;
    std::shared_ptr<Model::TextElement> m_anchor_elem;
    bool m_is_selecting = false;
};

// Typed text goes into the class; escape returns to the normal mode.
class InsertModeNormal : public AbstractModeInClass {
  public:
    explicit InsertModeNormal(Context& ctrl);
    std::string get_name() const override { return "INSERT MODE (NORMAL)"; }
};

// Entered straight from the cell mode; escape returns there.
class InsertModeDirect : public InsertModeNormal {
  public:
    explicit InsertModeDirect(Context& ctrl);
    std::string get_name() const override { return "INSERT MODE (DIRECT)"; }
};

}  // namespace Ctrl

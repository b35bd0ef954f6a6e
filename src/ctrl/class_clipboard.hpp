#pragma once

#include <optional>
#include <string>
#include <vector>

#include <glibmm/ustring.h>

#include <glibmm/refptr.h>
#include <sigc++/connection.h>
#include <sigc++/signal.h>
#include <sigc++/trackable.h>

namespace Gtk {
class Clipboard;
class SelectionData;
}  // namespace Gtk

namespace Ctrl {

// Copied classes on the desktop's clipboard, so they paste into another
// window or another running instance. A copy offers the fragment document
// under the program's own type and the same XML as plain text; a paste
// takes the program's type, or text that is a fragment document.
class ClassClipboard : public sigc::trackable {
  public:
    static constexpr const char* MIME_TYPE = "application/x-lattrix-fragment";

    ClassClipboard();
    ~ClassClipboard();
    ClassClipboard(const ClassClipboard&) = delete;
    ClassClipboard& operator=(const ClassClipboard&) = delete;

    // Puts a fragment document on the clipboard.
    void put(const std::string& fragment);
    // The fragment on the clipboard, or nothing. Waits for the owner, which
    // may be another program.
    std::optional<std::string> take() const;
    // Whether the clipboard offers the program's own type, as last told by
    // the clipboard (which answers asynchronously).
    bool get_has_fragment() const { return m_has_fragment; }
    // Emitted when get_has_fragment() changed.
    sigc::signal<void()>& signal_has_fragment_changed() { return m_signal_has_fragment_changed; }

  private:
    void on_get(Gtk::SelectionData& data, unsigned int info);
    void ask_targets();
    void on_targets(const std::vector<Glib::ustring>& targets);
    void set_has_fragment(bool value);

    Glib::RefPtr<Gtk::Clipboard> m_clipboard;
    // What this program put there last, handed out while it owns the
    // clipboard.
    std::string m_fragment;
    bool m_has_fragment = false;
    sigc::connection m_owner_change;
    sigc::signal<void()> m_signal_has_fragment_changed;
};

}  // namespace Ctrl

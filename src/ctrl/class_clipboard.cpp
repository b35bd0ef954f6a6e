#include "ctrl/class_clipboard.hpp"

#include <algorithm>
#include <vector>

#include <gtkmm/clipboard.h>
#include <gtkmm/selectiondata.h>
#include <gtkmm/targetentry.h>

#include "common/log.hpp"
#include "model/workspace.hpp"

namespace Ctrl {

ClassClipboard::ClassClipboard() : m_clipboard(Gtk::Clipboard::get(GDK_SELECTION_CLIPBOARD)) {
    m_owner_change =
        m_clipboard->signal_owner_change().connect([this](GdkEventOwnerChange*) { ask_targets(); });
    ask_targets();
}

ClassClipboard::~ClassClipboard() {
    m_owner_change.disconnect();
}

void ClassClipboard::put(const std::string& fragment) {
    m_fragment = fragment;
    const std::vector<Gtk::TargetEntry> targets = {Gtk::TargetEntry(MIME_TYPE),
                                                   Gtk::TargetEntry("UTF8_STRING"),
                                                   Gtk::TargetEntry("text/plain;charset=utf-8"),
                                                   Gtk::TargetEntry("text/plain"),
                                                   Gtk::TargetEntry("STRING"),
                                                   Gtk::TargetEntry("TEXT")};
    m_clipboard->set(targets, sigc::mem_fun(*this, &ClassClipboard::on_get), [] {});
    LX_DEBUG("clipboard: %zu bytes of copied classes offered", fragment.size());
    // The owner-change notice comes later; the menus can know now.
    set_has_fragment(true);
}

void ClassClipboard::on_get(Gtk::SelectionData& data, unsigned int) {
    LX_DEBUG("clipboard: asked for %s", data.get_target().c_str());
    if (data.get_target() == MIME_TYPE) {
        data.set(MIME_TYPE, 8, reinterpret_cast<const guint8*>(m_fragment.data()),
                 static_cast<int>(m_fragment.size()));
    } else {
        data.set_text(m_fragment);
    }
}

std::optional<std::string> ClassClipboard::take() const {
    Gtk::SelectionData own = m_clipboard->wait_for_contents(MIME_TYPE);
    if (own.gobj() != nullptr && own.get_length() > 0) {
        LX_DEBUG("clipboard: %d bytes of copied classes", own.get_length());
        return own.get_data_as_string();
    }
    const std::string text = m_clipboard->wait_for_text();
    if (!text.empty() && Model::Workspace::looks_like_fragment(text)) {
        LX_DEBUG("clipboard: copied classes as text");
        return text;
    }
    LX_DEBUG("clipboard: no copied classes");
    return std::nullopt;
}

void ClassClipboard::ask_targets() {
    // A member slot: it goes dead with this object if the answer comes later.
    m_clipboard->request_targets(sigc::mem_fun(*this, &ClassClipboard::on_targets));
}

void ClassClipboard::on_targets(const std::vector<Glib::ustring>& targets) {
    set_has_fragment(std::find(targets.begin(), targets.end(), MIME_TYPE) != targets.end());
}

void ClassClipboard::set_has_fragment(bool value) {
    if (m_has_fragment != value) {
        m_has_fragment = value;
        m_signal_has_fragment_changed.emit();
    }
}

}  // namespace Ctrl

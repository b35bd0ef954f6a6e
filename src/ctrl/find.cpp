#include "ctrl/find.hpp"

#include <glibmm/ustring.h>

#include "model/class_element.hpp"
#include "model/element_cells.hpp"
#include "model/text_element.hpp"
#include "model/workspace.hpp"

namespace Ctrl::Find {

namespace {

// Row-major: rows first, then columns.
bool before(const CellPos& a, const CellPos& b) {
    return a.v != b.v ? a.v < b.v : a.h < b.h;
}

bool contains(const std::shared_ptr<Model::TextElement>& elem, const std::string& needle) {
    return elem && fold(elem->get_text()).find(needle) != std::string::npos;
}

}  // namespace

std::string fold(const std::string& text) {
    // Invalid UTF-8 (a hostile document) would make GLib give up on the
    // whole text; it is searched as it is instead.
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return text;
    }
    const Glib::ustring folded = Glib::ustring(text).casefold();
    return folded.normalize(Glib::NORMALIZE_ALL_COMPOSE).raw();
}

bool matches(const Model::ClassElement& klass, const std::string& folded_needle) {
    if (folded_needle.empty()) {
        return false;
    }
    return contains(klass.name_elem, folded_needle) ||
           (klass.block1_shown && contains(klass.block1_elem, folded_needle)) ||
           (klass.block2_shown && contains(klass.block2_elem, folded_needle));
}

std::optional<CellPos> find_class(const Model::Workspace& ws, const std::string& text,
                                  const CellPos& from, bool forward) {
    const std::string needle = fold(text);
    if (needle.empty() || !ws.get_element_cells()) {
        return std::nullopt;
    }
    // One pass keeps the best candidate on each side of `from`: the nearest
    // after it, and the first overall for the wrap (mirrored backwards).
    std::optional<CellPos> ahead;
    std::optional<CellPos> wrapped;
    ws.get_element_cells()->foreach ([&](int32_t h, int32_t v, const auto& elem) {
        auto* klass = dynamic_cast<Model::ClassElement*>(elem.get());
        if (klass == nullptr || !matches(*klass, needle)) {
            return true;
        }
        const CellPos pos(h, v);
        const bool is_ahead = forward ? before(from, pos) : before(pos, from);
        auto better = [&](const std::optional<CellPos>& best) {
            return !best || (forward ? before(pos, *best) : before(*best, pos));
        };
        if (is_ahead) {
            if (better(ahead)) {
                ahead = pos;
            }
        } else if (better(wrapped)) {
            wrapped = pos;
        }
        return true;
    });
    return ahead ? ahead : wrapped;
}

}  // namespace Ctrl::Find

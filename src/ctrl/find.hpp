#pragma once

#include <optional>
#include <string>

#include "common/cell_pos.hpp"

namespace Model {
class ClassElement;
class Workspace;
}  // namespace Model

namespace Ctrl {

// Finding classes by their texts, for "/", "n" and "N".
namespace Find {

// text in a form where letters of every script compare without case, and
// composed and decomposed spellings of one character are equal.
std::string fold(const std::string& text);

// Whether the class's name or one of its shown blocks contains needle, a
// text already folded. An empty needle matches nothing.
bool matches(const Model::ClassElement& klass, const std::string& folded_needle);

// The next class after `from` (forward) or before it (backward) in row-major
// order that matches text, wrapping around at the ends; the class at `from`
// itself comes last. std::nullopt when no class matches or text is empty.
std::optional<CellPos> find_class(const Model::Workspace& ws, const std::string& text,
                                  const CellPos& from, bool forward);

}  // namespace Find

}  // namespace Ctrl

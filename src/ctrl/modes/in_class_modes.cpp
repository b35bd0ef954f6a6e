#include "ctrl/modes/in_class_modes.hpp"

namespace Ctrl {

AbstractModeInClass::AbstractModeInClass(Context& ctrl) : Mode(ctrl) {}

NormalModeInClass::NormalModeInClass(Context& ctrl) : AbstractModeInClass(ctrl) {}

VisualModeInClass::VisualModeInClass(Context& ctrl) : AbstractModeInClass(ctrl) {}

InsertModeNormal::InsertModeNormal(Context& ctrl) : AbstractModeInClass(ctrl) {}

InsertModeDirect::InsertModeDirect(Context& ctrl) : InsertModeNormal(ctrl) {}

}  // namespace Ctrl

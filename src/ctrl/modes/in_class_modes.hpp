#pragma once

#include "ctrl/modes/mode.hpp"

namespace Ctrl {

// The modes that edit the name and the blocks of one class box.
class AbstractModeInClass : public Mode {
  public:
    explicit AbstractModeInClass(Context& ctrl);

    // Without key bindings of its own the mode could not be left again.
    bool get_is_enterable() const override { return false; }
};

class NormalModeInClass : public AbstractModeInClass {
  public:
    explicit NormalModeInClass(Context& ctrl);
    std::string get_name() const override { return "NORMAL MODE (CLASS)"; }
};

class VisualModeInClass : public AbstractModeInClass {
  public:
    explicit VisualModeInClass(Context& ctrl);
    std::string get_name() const override { return "VISUAL MODE (CLASS)"; }
};

class InsertModeNormal : public AbstractModeInClass {
  public:
    explicit InsertModeNormal(Context& ctrl);
    std::string get_name() const override { return "INSERT MODE (NORMAL)"; }
};

class InsertModeDirect : public InsertModeNormal {
  public:
    explicit InsertModeDirect(Context& ctrl);
    std::string get_name() const override { return "INSERT MODE (DIRECT)"; }
};

}  // namespace Ctrl

#pragma once

#include <set>
#include <string>

#include <giomm/actiongroup.h>
#include <sigc++/signal.h>

namespace Ctrl {

using NameSet = std::set<std::string>;

// Whether a bar entry for name is enabled: the manual is always reachable,
// everything else only while the current mode offers it.
inline bool is_actionable(const NameSet& actionable, const std::string& name) {
    return name == "manual" || actionable.count(name) > 0;
}

// Something the menu bar and tool bar can drive by action name ("undo",
// "insert-class"). Implementers announce the names that can be acted on now
// through "update-actionable-name-sig".
class INamedActionHandler {
  public:
    using SignalUpdateActionableNameSig = sigc::signal<void(const NameSet&)>;

    virtual ~INamedActionHandler() = default;

    // The names that can be acted on now; default none.
    virtual NameSet enum_actionable_name() { return {}; }
    // Runs the named action; false when it is unknown or failed.
    virtual bool action(const std::string& name);

    // action(name) first; when that answers false and group (may be null)
    // has an action called name, activates it without a parameter and
    // answers true.
    bool action_with_glib(Gio::ActionGroup* group, const std::string& name);

    // "update-actionable-name-sig": the set of names actionable now.
    SignalUpdateActionableNameSig& signal_update_actionable_name_sig() {
        return m_signal_update_actionable_name_sig;
    }

  protected:
    SignalUpdateActionableNameSig m_signal_update_actionable_name_sig;
};

}  // namespace Ctrl

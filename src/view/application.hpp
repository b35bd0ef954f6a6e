#pragma once

namespace View {

// Registers the icon bundle, switches debug logging on and runs the
// application "org.gtk.lattrix" until its window closes.
int run_application(int argc, char** argv);

}  // namespace View

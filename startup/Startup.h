#pragma once
// What main() calls to start the program.

#include <functional>

class QApplication;

namespace Startup {

// Loads frmSplash (the environment checks), shows it and runs the event
// loop; returns the loop's result. When the user dismisses frmSplash, its
// unload calls hauptfensterZeigen, which is to show the main window. An
// unusable environment shows its message and ends the process inside this
// call, before any window is visible.
int starten(QApplication& app, std::function<void()> hauptfensterZeigen);

}  // namespace Startup

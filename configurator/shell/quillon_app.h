#pragma once

#include "shell/settings_command.h"

namespace quillon {

// Runs the window until it is closed and returns the exit status of Qt's event loop. The
// arguments are Qt's
// (platform options such as -platform); the configurator's own options never reach here.
// The window's "Load Setup" runs loadSetup.
int RunQuillonWindow(int argc, char** argv, SettingsCommand loadSetup = {});

}  // namespace quillon

#pragma once

namespace quillon {

// Runs the window until it is closed and returns the exit status of Qt's event loop. The
// arguments are Qt's
// (platform options such as -platform); the configurator's own options never reach here.
int RunQuillonWindow(int argc, char** argv);

}  // namespace quillon

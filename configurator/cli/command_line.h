// The headless quillon: the same settings tree, checks and messages as the window, with the
// file dialogs replaced by arguments.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace quillon {

inline constexpr int kExitSuccess = 0;
// A setup failure, or a file that could not be read or written; its message is on stderr.
inline constexpr int kExitFailure = 1;
// Bad arguments; the usage is on stderr.
inline constexpr int kExitUsage = 2;

// Runs the commands the arguments (without the program name) ask for: --load-ini FILE, then
// --save-setup FILE, then --save-ini FILE, then --dump FILE (decode and check a setup file),
// whatever their order; --help and --version. Text goes to out and err in the terminal's
// character set. Returns the exit status.
int RunCommandLine(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace quillon

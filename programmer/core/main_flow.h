#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/backend.h"

namespace brivel {

class Console;

// Makes the backend for the device named after -P ("" when none was named). nullptr: no
// backend could be made; error says why.
using BackendFactory = std::function<std::unique_ptr<ProgrammerBackend>(
    const std::string& deviceName, std::string& error)>;

// The whole program after start-up: options, banner, discovery, opening, file check and the
// programming run. Returns the exit status: 0 after a completed run or the usage text, -1
// after any failure.
int RunProgrammer(const std::vector<std::string>& args, const BackendFactory& makeBackend,
                  Console& console);

// Device names that select the simulated target.
inline constexpr std::string_view kSimFtdiPrefix = "sim-ftdi:";
inline constexpr std::string_view kSimUsbPrefix = "sim-usb:";

}  // namespace brivel

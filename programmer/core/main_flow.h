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
    const std::string& deviceName, BackendError& error)>;

// Says, in a Windows-1251 line, why the backend could not open the adapter; "" when it cannot
// tell.
using OpenFailureNote = std::function<std::string(const ProgrammerBackend& backend)>;

// The whole program after start-up: options, banner, discovery, opening, file check and the
// programming run. Returns the exit status: 0 after a completed run or the usage text, -1
// after any failure.
int RunProgrammer(const std::vector<std::string>& args, const BackendFactory& makeBackend,
                  Console& console, const OpenFailureNote& openFailureNote = {});

}  // namespace brivel

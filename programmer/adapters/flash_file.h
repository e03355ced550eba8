#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/backend.h"

namespace brivel {

// The simulated target's flash kept in a file of exactly its size. A missing file is created
// erased (0xFF). Errors name the file and the system's reason.
bool LoadFlashFile(const std::string& path, std::vector<uint8_t>& memory, BackendError& error);
// Writes a temporary file beside the target and renames it over, so a failed save leaves
// the previous contents whole.
bool SaveFlashFile(const std::string& path, const std::vector<uint8_t>& memory,
                   BackendError& error);

}  // namespace brivel

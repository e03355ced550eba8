#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brivel {

// The simulated target's flash kept in a file of exactly its size. A missing file is created
// erased (0xFF). Errors are texts in the terminal's character set.
bool LoadFlashFile(const std::string& path, std::vector<uint8_t>& memory, std::string& error);
// Writes a temporary file beside the target and renames it over, so a failed save leaves
// the previous contents whole.
bool SaveFlashFile(const std::string& path, const std::vector<uint8_t>& memory, std::string& error);

}  // namespace brivel

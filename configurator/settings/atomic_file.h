// Whole-file replacement for the files the configurator writes.
#pragma once

#include <filesystem>
#include <string_view>

namespace quillon {

// Replaces the file at target with the bytes: they go to a new file in the target's folder,
// which is flushed to the disk and then renamed over the target, so the target is either the
// old file or the complete new one. An existing target keeps its permission bits; a symbolic
// link is followed and its target replaced. Returns false, with the target untouched and no
// temporary file left behind, when any step fails, an existing target is not writable, or the
// target is a folder.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

}  // namespace quillon

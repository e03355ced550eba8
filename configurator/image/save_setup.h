// "Save Setup": compiles the external, meter and local areas from the settings tree, checks their
// size limits and writes them at their flash addresses as one S-record file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "image/flash_image.h"
#include "settings/key_map.h"
#include "settings/user_dialogs.h"

namespace quillon {

inline constexpr uint32_t kMeterAreaAddress = 0x3E800;
inline constexpr uint32_t kExternalAreaAddress = 0x3F000;
inline constexpr uint32_t kLocalAreaAddress = 0x3F800;
// Each area must fit before the next one's address; the local area ends by 0x40000.
inline constexpr size_t kAreaSizeLimit = 2048;

// One setup area as Save Setup drives it. The areas find every setting they read through the
// key map of the settings tree.
class SetupAreaCompiler {
public:
    virtual ~SetupAreaCompiler() = default;
    // Checks the settings, stopping at the first failure, and returns the area's exact size.
    virtual size_t GetSize(KeyMap& keys) = 0;
    // Writes the area into a buffer of exactly GetSize bytes.
    virtual void Build(std::span<uint8_t> buffer, KeyMap& keys) = 0;
    // The checks that Build adds to those of GetSize, writing nothing. An area too large for
    // its 16-bit size fields is not built, but its failures still come before its size.
    virtual void CheckBuild(KeyMap& keys) = 0;
};

// An area, where it goes in the flash, and the UTF-8 message when it exceeds kAreaSizeLimit.
struct SetupAreaSlot {
    std::unique_ptr<SetupAreaCompiler> area;
    uint32_t address = 0;
    std::string_view tooLarge;
};

// The external, meter and local areas in their compile order.
std::vector<SetupAreaSlot> StandardSetupAreas();

// Compiles the areas in the order given, stopping at the first SetupFailure: from a check inside
// an area, or the area's own message when it exceeds the limit after it was built (or, above
// 0xFFFF bytes, after the checks of its build). The image holds them in address order, so an
// area that fills its 2048 bytes runs on into the next.
CFlashImage CompileSetup(KeyMap& keys, std::span<SetupAreaSlot> areas);

// Writes the image as ":3" S-records in place of the file at the path, or raises SetupFailure
// "Не удается открыть файл <path>." with the file untouched.
void WriteSetupFile(const CFlashImage& image, const std::filesystem::path& path);

// "<current folder>/loc_.s19", the whole folder however long; the bare name when the current
// folder cannot be read.
std::filesystem::path DefaultSetupPath();

// The menu command: compiles, asks for the file, writes it; a failure is shown as a message and
// leaves no file. A cancelled dialog does nothing.
void RunSaveSetupCommand(KeyMap& keys, UserDialogs& dialogs);
// The same over other areas.
void RunSaveSetupCommand(KeyMap& keys, UserDialogs& dialogs, std::span<SetupAreaSlot> areas);

}  // namespace quillon

// The schedule table file that the external area copies into its schedule record unread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "settings/setup_failure.h"

namespace quillon {

// "Не удается открыть файл с таблицей расписания."
SetupFailure ScheduleOpenFailure();
// "Не удается прочитать файл с таблицей расписания."
SetupFailure ScheduleReadFailure();

// The file's length in bytes. A path that does not lead to a regular file that can be opened
// for reading fails with the open message of the schedule table. An empty file is measured as
// 0 bytes: its record is the 4-byte frame alone.
size_t MeasureScheduleFile(const std::filesystem::path& path);

// Exactly length bytes, the whole file. A file that cannot be opened fails with the open
// message; one that holds fewer or more bytes than length (it changed since it was measured),
// or cannot be read, with the read message.
std::vector<uint8_t> ReadScheduleFile(const std::filesystem::path& path, size_t length);

}  // namespace quillon

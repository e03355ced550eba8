#include "image/schedule_file.h"

#include <fstream>
#include <limits>
#include <system_error>

namespace quillon {

SetupFailure ScheduleOpenFailure() {
    return SetupFailure::FromUtf8("Не удается открыть файл с таблицей расписания.");
}

SetupFailure ScheduleReadFailure() {
    return SetupFailure::FromUtf8("Не удается прочитать файл с таблицей расписания.");
}

namespace {

[[noreturn]] void FailOpen() {
    throw ScheduleOpenFailure();
}

[[noreturn]] void FailRead() {
    throw ScheduleReadFailure();
}

// A directory opens for reading on Linux and only its reads fail, so the kind is checked first.
std::ifstream OpenSchedule(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        FailOpen();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        FailOpen();
    }
    return in;
}

}  // namespace

size_t MeasureScheduleFile(const std::filesystem::path& path) {
    std::ifstream in = OpenSchedule(path);
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    if (!in || end < 0) {
        FailOpen();
    }
    return static_cast<size_t>(end);
}

std::vector<uint8_t> ReadScheduleFile(const std::filesystem::path& path, size_t length) {
    std::ifstream in = OpenSchedule(path);
    if (length > static_cast<size_t>(std::numeric_limits<std::streamsize>::max())) {
        FailRead();
    }
    std::vector<uint8_t> bytes(length);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    if (static_cast<size_t>(in.gcount()) != length) {
        FailRead();
    }
    // A byte beyond the measured length means the file grew: what was read is not the table.
    if (in.peek() != std::ifstream::traits_type::eof() || in.bad()) {
        FailRead();
    }
    return bytes;
}

}  // namespace quillon

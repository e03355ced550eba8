// The external area's schedule table record: the schedule file named by TIME_TABLE, copied
// byte for byte.
#include <filesystem>
#include <string>
#include <vector>

#include "image/external_area.h"
#include "image/schedule_file.h"
#include "settings/cp1251.h"
#include "settings/setup_entry.h"

namespace quillon {

namespace {

// The setting holds Windows-1251 bytes; Linux file names are UTF-8.
std::filesystem::path SchedulePath(const std::string& name) {
    return std::filesystem::path(FromCp1251(name));
}

std::string ScheduleName(const KeyMap& keys) {
    return keys.Get("TIME_TABLE").GetText();
}

}  // namespace

size_t CStpAreaExt::ScheduleTableSize(const KeyMap& keys) {
    const std::string name = ScheduleName(keys);
    if (name.empty()) {
        return 0;
    }
    const size_t length = MeasureScheduleFile(SchedulePath(name));
    // The buffer was sized from the first measurement: a file that changed since then cannot
    // be copied into it.
    if (m_scheduleLength.has_value() && *m_scheduleLength != length) {
        throw ScheduleReadFailure();
    }
    m_scheduleLength = length;
    return length + kRecordFrameSize;
}

size_t CStpAreaExt::ScheduleRecordSize(const KeyMap& keys) {
    const size_t size = ScheduleTableSize(keys);
    if (size == 0) {
        // The area was sized without a schedule record, but the communicator needs one.
        throw ScheduleOpenFailure();
    }
    return size;
}

void CStpAreaExt::WriteScheduleTable(size_t& cursor, const KeyMap& keys) {
    const size_t size = ScheduleRecordSize(keys);
    const std::vector<uint8_t> table =
        ReadScheduleFile(SchedulePath(ScheduleName(keys)), size - kRecordFrameSize);
    ResolveLabel(cursor, "RAY_0000_TIMETABLE");
    PutU16(size, cursor);
    PutBytes(table, cursor);
    AddChecksum(cursor, size - 2);
}

}  // namespace quillon

#include "image/gid_record.h"

#include <cstdio>
#include <string>

#include "image/area.h"
#include "settings/setup_entry.h"
#include "settings/setup_failure.h"

namespace quillon {

namespace {

uint32_t ReadGid(std::string_view prefix, const KeyMap& keys) {
    const uint32_t gid = keys.Get(std::string(prefix) + "_GID").GetNumber();
    if (gid > 0xFFFF) {
        throw SetupFailure::FromUtf8("Неправильное поле \"GID\"");
    }
    return gid;
}

}  // namespace

size_t GidRecordSize(std::string_view prefix, const KeyMap& keys) {
    ReadGid(prefix, keys);
    return kGidRecordSize;
}

void WriteGidRecord(CArea& area, std::string_view prefix, size_t& cursor, const KeyMap& keys) {
    const size_t size = GidRecordSize(prefix, keys);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(ReadGid(prefix, keys)));
    area.ResolveLabel(cursor, "RAY_0000_GID");
    area.PutU16(size, cursor);
    area.PutString(digits, cursor);
    area.AddChecksum(cursor, size - 2);
}

}  // namespace quillon

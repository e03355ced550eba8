#include "core/file_check.h"

#include "core/srecord_reader.h"

namespace brivel {

FileCheckResult CheckRecordFile(const std::string& path, uint64_t flashBytes, RecordImage& image) {
    image.Clear();
    FileCheckResult result;
    SRecordReader reader;
    if (reader.Open(path) != 0) {
        result.check = FileCheck::kCannotOpen;
        return result;
    }
    bool s1s2Data = false;
    bool outside = false;
    SRecordLine record;
    for (;;) {
        const int read = reader.NextRecord(record);
        if (read == kReaderSkip) {
            continue;
        }
        if (read == kReaderEnd) {
            break;
        }
        if (read != kReaderRecord) {
            image.Clear();
            result.check = FileCheck::kMalformed;
            return result;
        }
        image.Add(record);
        if (record.length <= 0) {
            continue;
        }
        if (record.type == 1 || record.type == 2) {
            s1s2Data = true;
        } else if (record.type == 3) {
            result.total += static_cast<uint32_t>(record.length);
            const uint64_t end = uint64_t{record.address} + static_cast<uint64_t>(record.length);
            if (end > flashBytes && !outside) {
                outside = true;
                result.address = record.address;
            }
        }
    }
    if (s1s2Data) {
        result.check = FileCheck::kS1S2Data;
    } else if (result.total == 0) {
        result.check = FileCheck::kNoData;
    } else if (outside) {
        result.check = FileCheck::kOutsideFlash;
    }
    if (result.check != FileCheck::kOk) {
        image.Clear();
    }
    return result;
}

}  // namespace brivel

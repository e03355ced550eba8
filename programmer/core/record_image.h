#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/record_source.h"

namespace brivel {

// The records of a file, read once and kept in memory in file order, so that every pass
// erases, programs and verifies exactly what was checked even when the file changes on the
// disk meanwhile. A setup file is a few KiB, a whole 256 KiB image about 700 KiB of text
// and 256 KiB here.
class RecordImage : public RecordSource {
public:
    void Add(const SRecordLine& record);
    void Clear();

    int Rewind() override;
    // kReaderRecord for each kept record, then kReaderEnd.
    int NextRecord(SRecordLine& line) override;

private:
    struct Kept {
        int32_t type;
        uint32_t address;
        std::size_t offset;  // of the data in m_bytes
        int32_t length;
    };
    std::vector<Kept> m_records;
    std::vector<uint8_t> m_bytes;
    std::size_t m_next = 0;
};

}  // namespace brivel

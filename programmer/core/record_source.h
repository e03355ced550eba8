#pragma once

#include <cstdint>

namespace brivel {

// One decoded record; data stays valid until the next NextRecord() of its source.
struct SRecordLine {
    int32_t type = -1;  // the digit after 'S' (or ':') minus '0'
    uint32_t address = 0;
    int32_t length = 0;  // data bytes after the address
    const uint8_t* data = nullptr;
};

enum ReaderResult : int {
    kReaderRecord = 0,  // a record with an address was decoded
    kReaderNoFile = 1,
    kReaderEnd = 2,
    kReaderLineTooLong = 3,  // longer than the line buffer
    kReaderMalformed = 4,
    kReaderSkip = 5,  // empty line, or a valid record without address and data (S0, S4, S6)
};

// Where the passes take their records from, from the start again after each Rewind(): the
// reader over a file, or the checked copy of a file in memory.
class RecordSource {
public:
    virtual ~RecordSource() = default;
    virtual int Rewind() = 0;                       // 0, or 1 when there is nothing to read
    virtual int NextRecord(SRecordLine& line) = 0;  // a ReaderResult
};

}  // namespace brivel

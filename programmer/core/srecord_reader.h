#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace brivel {

// One decoded record; data points into the reader's line buffer and is valid until the next
// NextRecord().
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

// Reads an S-record file one record at a time without keeping an image: each pass rewinds and
// reads again. Lines end with LF or CR LF; a last line without a line end is read too. Lines
// may begin with ':' in place of 'S' (the configurator's setup files do).
class SRecordReader {
public:
    SRecordReader() = default;
    ~SRecordReader();
    SRecordReader(const SRecordReader&) = delete;
    SRecordReader& operator=(const SRecordReader&) = delete;

    int Open(const std::string& path);  // 0, or -1 if the file cannot be opened
    int Rewind();                       // 1 if no file is open, else 0
    int NextRecord(SRecordLine& line);  // a ReaderResult
    void Close();

private:
    // 514 characters is the longest valid record (count 0xFF); the buffer also holds the CR.
    static constexpr std::size_t kLineCapacity = 516;
    static constexpr std::size_t kMaxLineCharacters = 514;
    static constexpr std::size_t kInputCapacity = 200;

    int CollectLine();  // kReaderRecord when a line is in m_line, else the result to return
    int DecodeLine(SRecordLine& line);

    std::FILE* m_file = nullptr;
    uint8_t m_line[kLineCapacity] = {};
    std::size_t m_lineLength = 0;
    uint8_t m_input[kInputCapacity] = {};
    std::size_t m_inputCount = 0;
    std::size_t m_inputPosition = 0;
};

}  // namespace brivel

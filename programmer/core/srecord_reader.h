#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/record_source.h"

namespace brivel {

// Reads an S-record file one record at a time without keeping an image. Lines end with LF or CR LF;
// a last line without a line end is read too. Lines may begin with ':' in place of 'S' (the
// configurator's setup files do).
class SRecordReader : public RecordSource {
public:
    SRecordReader() = default;
    ~SRecordReader();
    SRecordReader(const SRecordReader&) = delete;
    SRecordReader& operator=(const SRecordReader&) = delete;

    // 0, or -1 if the file cannot be opened or is a folder (which fopen opens on Linux).
    int Open(const std::string& path);
    int Rewind() override;                       // 1 if no file is open, else 0
    int NextRecord(SRecordLine& line) override;  // a ReaderResult
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

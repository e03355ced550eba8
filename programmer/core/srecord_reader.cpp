#include "core/srecord_reader.h"

#include <sys/stat.h>

namespace brivel {

namespace {

// Upper-case hexadecimal digits only, as the record format is written.
int HexDigit(uint8_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

int HexByte(const uint8_t* text) {
    const int high = HexDigit(text[0]);
    const int low = HexDigit(text[1]);
    if (high < 0 || low < 0) {
        return -1;
    }
    return high << 4 | low;
}

int AddressBytes(int32_t type) {
    switch (type) {
        case 1:
        case 5:
        case 9:
            return 2;
        case 2:
        case 8:
            return 3;
        case 3:
        case 7:
            return 4;
        default:
            return 0;
    }
}

}  // namespace

SRecordReader::~SRecordReader() {
    Close();
}

int SRecordReader::Open(const std::string& path) {
    Close();
    m_file = std::fopen(path.c_str(), "rb");
    if (m_file == nullptr) {
        return -1;
    }
    struct stat info;
    if (::fstat(::fileno(m_file), &info) == 0 && S_ISDIR(info.st_mode)) {
        Close();
        return -1;
    }
    return 0;
}

int SRecordReader::Rewind() {
    if (m_file == nullptr) {
        return 1;
    }
    std::clearerr(m_file);
    std::fseek(m_file, 0, SEEK_SET);
    m_inputCount = 0;
    m_inputPosition = 0;
    return 0;
}

void SRecordReader::Close() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_lineLength = 0;
    m_inputCount = 0;
    m_inputPosition = 0;
}

int SRecordReader::NextRecord(SRecordLine& line) {
    if (m_file == nullptr) {
        return kReaderNoFile;
    }
    line.length = 0;
    line.type = -1;
    const int collected = CollectLine();
    if (collected != kReaderRecord) {
        return collected;
    }
    return DecodeLine(line);
}

int SRecordReader::CollectLine() {
    m_lineLength = 0;
    for (;;) {
        if (m_inputPosition == m_inputCount) {
            m_inputCount = std::fread(m_input, 1, kInputCapacity, m_file);
            m_inputPosition = 0;
            if (m_inputCount == 0) {
                // A read error must not pass for a clean end of the file.
                if (std::ferror(m_file) != 0) {
                    return kReaderMalformed;
                }
                if (m_lineLength == 0) {
                    return kReaderEnd;
                }
                break;  // last line without a line end
            }
        }
        const uint8_t c = m_input[m_inputPosition++];
        if (c == '\n') {
            break;
        }
        if (m_lineLength == kLineCapacity) {
            return kReaderLineTooLong;
        }
        m_line[m_lineLength++] = c;
    }
    if (m_lineLength > 0 && m_line[m_lineLength - 1] == '\r') {
        --m_lineLength;
    }
    if (m_lineLength > kMaxLineCharacters) {
        return kReaderLineTooLong;
    }
    return kReaderRecord;
}

int SRecordReader::DecodeLine(SRecordLine& line) {
    const std::size_t n = m_lineLength;
    if (n == 0) {
        return kReaderSkip;
    }
    if (n < 4 || n % 2 != 0) {
        return kReaderMalformed;
    }
    if (m_line[0] != 'S' && m_line[0] != ':') {
        return kReaderMalformed;
    }
    const int32_t type = m_line[1] - '0';
    line.type = type;
    const int count = HexByte(m_line + 2);
    // The count field is not compared with the line: the byte count follows from the length.
    const std::size_t byteCount = (n - 4) / 2;
    if (count < 0 || byteCount == 0) {
        return kReaderMalformed;
    }
    // Decoded bytes overwrite the text in place; byte i comes from characters 4 + 2i, so the
    // write never overtakes the read.
    unsigned sum = static_cast<unsigned>(count);
    for (std::size_t i = 0; i < byteCount; ++i) {
        const int value = HexByte(m_line + 4 + 2 * i);
        if (value < 0) {
            return kReaderMalformed;
        }
        m_line[i] = static_cast<uint8_t>(value);
        sum += static_cast<unsigned>(value);
    }
    if ((sum & 0xFF) != 0xFF) {
        return kReaderMalformed;
    }
    const std::size_t payload = byteCount - 1;  // without the checksum
    const int addressBytes = AddressBytes(type);
    if (addressBytes == 0) {
        return kReaderSkip;
    }
    if (payload < static_cast<std::size_t>(addressBytes)) {
        return kReaderMalformed;
    }
    uint32_t address = 0;
    for (int i = 0; i < addressBytes; ++i) {
        address = address << 8 | m_line[i];
    }
    line.address = address;
    line.length = static_cast<int32_t>(payload - addressBytes);
    line.data = m_line + addressBytes;
    m_lineLength = payload;
    return kReaderRecord;
}

}  // namespace brivel

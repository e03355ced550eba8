#include "core/srecord_writer.h"

namespace brivel {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// One record: "S", the type, the byte count (address, data and checksum), the address, the
// data, and the one's complement of the low byte of the sum of count, address and data.
void AppendRecord(std::string& text, char type, uint32_t address, int addressBytes,
                  const uint8_t* data, uint32_t length) {
    const auto count = static_cast<uint8_t>(addressBytes + length + 1);
    uint32_t sum = count;
    const auto appendByte = [&](uint8_t byte) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    };
    text += 'S';
    text += type;
    appendByte(count);
    for (int shift = 8 * (addressBytes - 1); shift >= 0; shift -= 8) {
        const auto byte = static_cast<uint8_t>(address >> shift);
        sum += byte;
        appendByte(byte);
    }
    for (uint32_t i = 0; i < length; ++i) {
        sum += data[i];
        appendByte(data[i]);
    }
    appendByte(static_cast<uint8_t>(~sum));
    text += "\r\n";
}

}  // namespace

std::string FormatSRecordFile(uint32_t address, const std::vector<uint8_t>& data,
                              std::string_view header) {
    std::string text;
    // 78 characters for each full S3 line.
    text.reserve((data.size() / kSRecordLineBytes + 3) * 80);
    AppendRecord(text, '0', 0, 2, reinterpret_cast<const uint8_t*>(header.data()),
                 static_cast<uint32_t>(header.size()));
    for (size_t at = 0; at < data.size(); at += kSRecordLineBytes) {
        const auto n = static_cast<uint32_t>(
            data.size() - at < kSRecordLineBytes ? data.size() - at : kSRecordLineBytes);
        AppendRecord(text, '3', address + static_cast<uint32_t>(at), 4, data.data() + at, n);
    }
    AppendRecord(text, '7', 0, 4, nullptr, 0);
    return text;
}

}  // namespace brivel

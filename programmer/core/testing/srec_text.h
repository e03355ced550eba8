#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace brivel::testing {

// One record line with CR LF: type '1', '2' or '3', the address in 2, 3 or 4 bytes.
inline std::string SRecord(char type, uint32_t address, const std::vector<uint8_t>& data) {
    const int addressBytes = type == '1' ? 2 : type == '2' ? 3 : 4;
    std::vector<uint8_t> bytes;
    bytes.push_back(static_cast<uint8_t>(addressBytes + data.size() + 1));
    for (int i = addressBytes - 1; i >= 0; --i) {
        bytes.push_back(static_cast<uint8_t>(address >> (8 * i)));
    }
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (const uint8_t b : bytes) {
        sum += b;
    }
    bytes.push_back(static_cast<uint8_t>(~sum));
    std::string line = "S";
    line += type;
    char hex[3];
    for (const uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    return line + "\r\n";
}

// Bytes 0, 1, 2 ... from a start value.
inline std::vector<uint8_t> Counting(std::size_t length, uint8_t first = 0) {
    std::vector<uint8_t> data(length);
    for (std::size_t i = 0; i < length; ++i) {
        data[i] = static_cast<uint8_t>(first + i);
    }
    return data;
}

// S3 records of up to 32 bytes covering data from address.
inline std::string S3Records(uint32_t address, const std::vector<uint8_t>& data) {
    std::string text;
    for (std::size_t at = 0; at < data.size(); at += 32) {
        const std::size_t n = data.size() - at < 32 ? data.size() - at : 32;
        text += SRecord(
            '3', address + static_cast<uint32_t>(at),
            {data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n)});
    }
    return text;
}

}  // namespace brivel::testing

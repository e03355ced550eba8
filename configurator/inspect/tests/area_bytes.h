// Areas written out byte for byte in the tests: a record is its payload with the size field
// before it and the CRC after it, an area its records inside the frame.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/area_format.h"

namespace quillon::inspect::testing {

inline std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> bytes;
    std::istringstream in{std::string(text)};
    std::string pair;
    while (in >> pair) {
        bytes.push_back(static_cast<uint8_t>(std::strtoul(pair.c_str(), nullptr, 16)));
    }
    return bytes;
}

inline void AppendChecksum(std::vector<uint8_t>& bytes) {
    const uint16_t crc = Crc16(bytes);
    bytes.push_back(static_cast<uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<uint8_t>(crc >> 8));
}

inline std::vector<uint8_t> Record(std::string_view payload) {
    std::vector<uint8_t> record = Hex(payload);
    const size_t size = record.size() + 4;
    record.insert(record.begin(), {static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
    AppendChecksum(record);
    return record;
}

inline std::vector<uint8_t> Area(const std::vector<std::vector<uint8_t>>& records) {
    std::vector<uint8_t> area(kSignature.begin(), kSignature.end());
    size_t total = kFrameSize;
    for (const auto& record : records) {
        total += record.size();
    }
    area.push_back(static_cast<uint8_t>(total >> 8));
    area.push_back(static_cast<uint8_t>(total));
    for (const auto& record : records) {
        area.insert(area.end(), record.begin(), record.end());
    }
    AppendChecksum(area);
    return area;
}

// Two Меркурий-230 meters on channel 0 with addresses 1 and 2, both with the passwords
// "1,1,1,1,1,1", "2,...", "3,..." and automatic correction: one group 0x0014, one password
// set, three unique passwords, no time server, no MS744 controllers. 144 bytes.
inline std::vector<uint8_t> TwoMeterArea() {
    return Area({
        Record("00 02  00 00 00 00 00 0C  00 14 00 00 00 1E"),  // 18: sections
        Record("00 02  00 0B 00 00 00 2A  00 0C 00 00 00 32"),  // 36: 0x0000
        Record("00 00"),                                        // 54: MS744 speed
        Record("00 03  00 08 00 00 00 37  00 09 00 00 00 38  00 0A 00 00 00 38"),  // 60
        Record("01  00 00 00 05  01  00 00 01 02"),                                // 84: sets
        Record("03  01 01 01 01 01 01  02 02 02 02 02 02  03 03 03 03 03 03"),     // 98
        Record("02  01 02"),                                                       // 121: addresses
        Record("01  00"),                                                          // 128: set ref
        Record("00 00 00 03"),  // 134: correction
    });
}

// No meters, no time server: the section table and the unreferenced MS744 speed record.
inline std::vector<uint8_t> EmptyMeterArea() {
    return Area({Record("00 00"), Record("00 00")});
}

}  // namespace quillon::inspect::testing

// What the communicator expects of a setup area, as far as the inspector checks it: where the
// three areas stand in flash, the frame every area shares and the CRC-16 of its records.
// Written from the format itself so that the inspector is an independent check of the builders.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quillon::inspect {

enum class AreaKind : uint8_t { kMeter, kExternal, kLocal };

struct AreaPlace {
    AreaKind kind;
    uint32_t base;
    // The name the configurator's size-limit messages give the area.
    std::string_view name;
};

// In flash order, which is also the order of the file.
inline constexpr std::array<AreaPlace, 3> kAreaPlaces = {{
    {AreaKind::kMeter, 0x3E800, "Область настроек счетчиков"},
    {AreaKind::kExternal, 0x3F000, "Область настроек коммуникатора"},
    {AreaKind::kLocal, 0x3F800, "Область локальных настроек коммуникатора"},
}};

// Each area owns the 2048 bytes up to the next one; the local area ends the setup flash.
inline constexpr uint32_t kAreaRoom = 2048;

const AreaPlace& PlaceOf(AreaKind kind);

inline constexpr std::array<uint8_t, 16> kSignature = {
    0xAF, 0xEB, 0x8A, 0x8E, 0xDE, 0x10, 0x44, 0xE1, 0xA3, 0x50, 0xC7, 0x5A, 0xA0, 0x5D, 0x52, 0xAA};

inline constexpr size_t kTotalField = 16;
inline constexpr size_t kFirstRecord = 18;
// Signature, total size and the closing area checksum.
inline constexpr size_t kFrameSize = 20;

// CRC-16/MODBUS (reflected 0xA001, start 0xFFFF, no final XOR); stored low byte first.
uint16_t Crc16(std::span<const uint8_t> bytes);

// Big-endian numbers; the caller has checked that the bytes are there.
inline uint16_t ReadU16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}
inline uint32_t ReadU32(std::span<const uint8_t> bytes, size_t at) {
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 |
           uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}
// A checksum as stored: low byte first.
inline uint16_t ReadChecksum(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

}  // namespace quillon::inspect

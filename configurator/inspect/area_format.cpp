#include "inspect/area_format.h"

namespace quillon::inspect {

const AreaPlace& PlaceOf(AreaKind kind) {
    for (const AreaPlace& place : kAreaPlaces) {
        if (place.kind == kind) {
            return place;
        }
    }
    return kAreaPlaces[0];
}

uint16_t Crc16(std::span<const uint8_t> bytes) {
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint16_t>(crc >> 1 ^ 0xA001)
                                 : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

}  // namespace quillon::inspect

// How the areas encode the settings the engineer chooses from lists and check boxes: event-log
// codes, flag bits, UART values, device group codes and password lengths. The report reads
// them to name what an area holds, the import to set the tree from it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/meter_types.h"

namespace quillon::inspect {

// The event types of the log filter with their codes, in the communicator's order. A code of
// one bit is a bit of the filter mask; a code of several bits is stored as one combined byte.
struct EventCode {
    std::string_view key;
    uint16_t code;
};

inline constexpr std::array<EventCode, 18> kEventCodes = {{
    {"BBLOG_COD_COLD_RESET", 0x0001},
    {"BBLOG_COD_HOT_REST", 0x0002},
    {"BBLOG_COD_SW_RESET", 0x0004},
    {"BBLOG_COD_BAT_FAIL", 0x0003},
    {"BBLOG_COD_CFG_CHANGED", 0x0008},
    {"BBLOG_COD_LOG_FORMAT", 0x0010},
    {"BBLOG_COD_ALARM", 0x0020},
    {"BBLOG_COD_CONN_CHANGED", 0x0040},
    {"BBLOG_COD_GATE_TSYNC", 0x0080},
    {"BBLOG_COD_TIME_CORRECT", 0x0100},
    {"BBLOG_COD_TIME_SET", 0x0200},
    {"BBLOG_COD_MERC_LINK_CHNG", 0x0400},
    {"BBLOG_EV_TIME_SET_RLT", 0x0800},
    {"BBLOG_COD_TIME_SET_RLT", 0x0600},
    {"BBLOG_EV_TIME_COR_RLT", 0x1000},
    {"BBLOG_COD_TIME_COR_RLT", 0x0500},
    {"BBLOG_EV_TIME_NOT_ADEQ", 0x2000},
    {"BBLOG_COD_TIME_NOT_ADEQ", 0x0700},
}};

// A combined byte: the 4-bit group number in bits 4-5, the group's value in bits 0-3.
constexpr uint16_t CodeOfCombined(uint8_t combined) {
    return static_cast<uint16_t>((combined & 0x0F) << (4 * ((combined >> 4) & 3)));
}

constexpr bool SingleBit(uint16_t code) {
    return code != 0 && (code & (code - 1)) == 0;
}

// Flag bits that are cleared when their setting is on; every other bit of the byte is set.
struct FlagBit {
    std::string_view key;
    uint8_t bit;
};

inline constexpr std::array<FlagBit, 2> kSystemFlags = {
    {{"EXT_SYSLOG", 0x01}, {"EXT_TCORR", 0x02}}};
inline constexpr std::array<FlagBit, 3> kPollFlags = {
    {{"EVR_REC", 0x40}, {"EVR_COOKIE", 0x20}, {"EVR_LAST", 0x10}}};
inline constexpr std::array<FlagBit, 3> kMs744Flags = {
    {{"CH1_MS744_REC", 0x40}, {"CH1_MS744_COOKIE", 0x20}, {"CH1_MS744_LAST", 0x10}}};

// The byte after the flags of both poll configuration records.
inline constexpr uint8_t kPollConfigFiller = 0xFF;

// UART values by option index of the lists "Скорость" and "Количество бит для кодирования
// символа"; option 0 is the line's default and stored as 0. Stop bits and parity are stored as
// their option index.
inline constexpr std::array<uint32_t, 10> kUartSpeeds = {0,    300,  600,   1200,  2400,
                                                         4800, 9600, 19200, 38400, 57600};
inline constexpr std::array<uint8_t, 5> kUartDataBits = {0, 5, 6, 7, 8};
inline constexpr int kStopBitOptions = 4;
inline constexpr int kParityOptions = 6;

// Options of "Скорость" of the MS744 controllers, stored as the option index.
inline constexpr int kMs744BaudOptions = 5;

// The device group code is channel 1's option index of "Группа устройств"; channel 0's list
// lacks "Контроллеры MS744" (code 3), so from code 4 on its options sit one place earlier.
inline constexpr uint16_t kLastGroupCode = 8;
inline constexpr uint16_t kMs744GroupCode = 3;

constexpr std::optional<int> GroupOption(int channel, uint16_t code) {
    if (code > kLastGroupCode || (channel == 0 && code == kMs744GroupCode)) {
        return std::nullopt;
    }
    return channel == 0 && code > kMs744GroupCode ? code - 1 : code;
}

// Bytes of one password of each meter type; the rest of its six stored bytes are 0.
inline constexpr std::array<int, kMeterTypeCount> kPasswordBytes = {6, 6, 6, 0, 0, 0, 4, 6};

// Password boxes of a meter of the type, as the catalogue builds its meter nodes.
constexpr int PasswordBoxes(int type) {
    for (const NodeRow& child : kMeterTypes[static_cast<size_t>(type)].children) {
        if (child.cls == NodeClass::kPassword) {
            return child.boxes;
        }
    }
    return 0;
}

}  // namespace quillon::inspect

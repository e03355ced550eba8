// The external area's UART configuration record: speed, data bits, stop bits and parity of both
// exchange channels' serial lines.
#include <array>
#include <span>
#include <string_view>

#include "image/exchange_channel_key.h"
#include "image/external_area.h"
#include "settings/setup_entry.h"
#include "settings/setup_failure.h"

namespace quillon {

namespace {

// By option index; 0 is the line's default. An index past the table also means the default.
constexpr std::array<uint32_t, 10> kSpeeds = {0,    300,  600,   1200,  2400,
                                              4800, 9600, 19200, 38400, 57600};
constexpr std::array<uint32_t, 5> kDataBits = {0, 5, 6, 7, 8};

struct UartField {
    std::string_view item;
    std::string_view message;
};

// The settings of one line in the order they are checked (speed, data bits, stop bits, parity),
// with the message of an empty list. These texts have no blank before the quotation mark.
constexpr UartField kFields[] = {
    {"UART_SPEED", "Неправильное поле\"Настройки UART -> Скорость\""},
    {"UART_BIT_PER_SYMBOL",
     "Неправильное поле\"Настройки UART -> Количество бит для кодирования символа\""},
    {"UART_STOP_BIT_DURATION",
     "Неправильное поле\"Настройки UART -> Длительность стопового бита\""},
    {"UART_PARITY_BIT", "Неправильное поле\"Настройки UART -> Использование бита чётности\""},
};

// Two channels of a 32-bit speed and three bytes, behind the two-byte element header 90 0E.
constexpr size_t kUartPayload = kExchangeChannelCount * (4 + 3);
constexpr size_t kUartRecordSize = kRecordFrameSize + 2 + kUartPayload;

uint32_t FromTable(std::span<const uint32_t> table, int index) {
    if (index < 0 || static_cast<size_t>(index) >= table.size()) {
        return 0;
    }
    return table[static_cast<size_t>(index)];
}

}  // namespace

size_t CStpAreaExt::UartConfigSize(const KeyMap& keys) {
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        std::array<int, std::size(kFields)> selections{};
        for (size_t f = 0; f < std::size(kFields); ++f) {
            const CSetupEntry& entry = keys.Get(ExchangeChannelKey(c, kFields[f].item));
            if (!entry.IsValid()) {
                throw SetupFailure::FromUtf8(kFields[f].message);
            }
            selections[f] = entry.GetSelection();
        }
        UartSettings& line = m_uart[static_cast<size_t>(c)];
        line.speed = FromTable(kSpeeds, selections[0]);
        line.dataBits = static_cast<uint8_t>(FromTable(kDataBits, selections[1]));
        line.stopBits = static_cast<uint8_t>(selections[2]);
        line.parity = static_cast<uint8_t>(selections[3]);
    }
    return kUartRecordSize;
}

void CStpAreaExt::WriteUartConfig(size_t& cursor, const KeyMap& keys) {
    const size_t size = UartConfigSize(keys);
    ResolveLabel(cursor, "RAY_0000_UART_CONFIGURATION");
    PutU16(size, cursor);
    PutElementHeader(0, kUartPayload, cursor);
    for (const UartSettings& line : m_uart) {
        PutU32(line.speed, cursor);
        PutU8(line.dataBits, cursor);
        PutU8(line.stopBits, cursor);
        PutU8(line.parity, cursor);
    }
    AddChecksum(cursor, size - 2);
}

}  // namespace quillon

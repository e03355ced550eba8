// Keys of the exchange-channel settings, "CH0_GROUP", "CH1_UART_SPEED", "CH0_M230_NUM".
#pragma once

#include <string>
#include <string_view>

namespace quillon {

inline std::string ExchangeChannelKey(int channel, std::string_view item) {
    std::string key = "CH" + std::to_string(channel) + "_";
    key += item;
    return key;
}

}  // namespace quillon

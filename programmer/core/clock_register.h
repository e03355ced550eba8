#pragma once

#include <cstdint>

namespace brivel {

class Console;

struct ClockSetting {
    uint8_t clockRegister;  // divider D, with 0x40 (divide-by-8 prescaler) above 25.6 MHz
    float fclkKHz;
    bool outOfRange;  // Fclk outside 150..200 kHz; the value is used all the same
};

// EzPort flash clock from the system clock Fsys in MHz. Prints the configuring line, the
// values line and, out of range, the warning.
ClockSetting ComputeClockRegister(float fsysMHz, Console& console);

}  // namespace brivel

#include "core/clock_register.h"

#include <cstdint>

#include "core/console.h"
#include "core/messages.h"

namespace brivel {

namespace {

// The threshold and the limits are double constants compared with the float Fsys and Fclk;
// 25.6 typed as a float is slightly above the double 25.6 and takes the prescaler branch.
constexpr double kPrescalerThresholdMHz = 25.6;
constexpr double kFclkMinKHz = 150;
constexpr double kFclkMaxKHz = 200;

// Truncation toward zero as the x86 conversion does it: a value outside the int range (or
// not a number, from "-t nan") gives 0x80000000 instead of undefined behaviour.
int32_t TruncateLikeX86(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

}  // namespace

ClockSetting ComputeClockRegister(float fsysMHz, Console& console) {
    const bool prescaler = fsysMHz > kPrescalerThresholdMHz;
    const double value = prescaler ? fsysMHz * 2.5 * 0.125 : fsysMHz * 2.5;
    const auto divider = static_cast<uint8_t>(TruncateLikeX86(value) & 0xFF);
    // Float arithmetic (Fsys * 500 / (D + 1)), the prescaler step in double, stored as float.
    float fclk = fsysMHz * 500 / (divider + 1);
    if (prescaler) {
        fclk = static_cast<float>(fclk * 0.125);
    }
    console.Print(msg::kClockConfiguring);
    const uint8_t clockRegister = prescaler ? static_cast<uint8_t>(divider | 0x40) : divider;
    console.Printf(msg::kClockLine.c_str(), static_cast<double>(fsysMHz), static_cast<double>(fclk),
                   static_cast<unsigned>(clockRegister));
    const bool outOfRange = fclk < kFclkMinKHz || fclk > kFclkMaxKHz;
    if (outOfRange) {
        console.Print(msg::kClockWarning);
    }
    return {clockRegister, fclk, outOfRange};
}

}  // namespace brivel

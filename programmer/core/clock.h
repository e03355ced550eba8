#pragma once

#include <cstdint>

namespace brivel {

// Every tick count and sleep of the programmer goes through this seam, so tests run the
// time-outs and reset pulses on a virtual clock.
class Clock {
public:
    virtual ~Clock();
    virtual uint32_t TickCount() = 0;  // milliseconds, wraps like a 32-bit tick counter
    virtual void Sleep(uint32_t ms) = 0;
};

Clock& CurrentClock();
// nullptr restores the steady clock. The caller keeps the clock alive while it is set.
void SetClock(Clock* clock);

}  // namespace brivel

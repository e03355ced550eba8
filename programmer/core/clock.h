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
    // Microseconds, wrapping at 32 bits (differences stay right across a wrap): for waits
    // shorter than a tick, such as a page program of about 2 ms. By default the tick count
    // scaled, and a sleep rounded up to whole milliseconds.
    virtual uint32_t MicroTicks() { return TickCount() * 1000u; }
    virtual void SleepMicroseconds(uint32_t us) { Sleep((us + 999) / 1000); }
};

Clock& CurrentClock();
// nullptr restores the steady clock. The caller keeps the clock alive while it is set.
void SetClock(Clock* clock);

}  // namespace brivel

#pragma once

#include <cstdint>

#include "core/clock.h"

namespace brivel {

// Test clock: Sleep advances the time at once, nothing really waits.
class VirtualClock : public Clock {
public:
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override {
        m_now += ms;
        m_slept += ms;
    }

    void Advance(uint32_t ms) { m_now += ms; }
    uint32_t Now() const { return m_now; }
    uint64_t SleptMs() const { return m_slept; }
    // Each TickCount() call moves time on by this much, so a spinning poll against a target
    // that never finishes still meets its time-out.
    void SetTickStep(uint32_t ms) { m_tickStep = ms; }

private:
    uint32_t m_now = 0;
    uint32_t m_tickStep = 0;
    uint64_t m_slept = 0;
};

// Installs a clock for the lifetime of the scope and restores the steady clock after.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace brivel

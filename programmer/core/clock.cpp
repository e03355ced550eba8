#include "core/clock.h"

#include <chrono>
#include <thread>

namespace brivel {

namespace {

class SteadyClock : public Clock {
public:
    uint32_t TickCount() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    uint32_t MicroTicks() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(now).count());
    }
    void SleepMicroseconds(uint32_t us) override {
        std::this_thread::sleep_for(std::chrono::microseconds(us));
    }
};

SteadyClock g_steadyClock;
Clock* g_clock = &g_steadyClock;

}  // namespace

Clock::~Clock() = default;

Clock& CurrentClock() {
    return *g_clock;
}

void SetClock(Clock* clock) {
    g_clock = clock != nullptr ? clock : &g_steadyClock;
}

}  // namespace brivel

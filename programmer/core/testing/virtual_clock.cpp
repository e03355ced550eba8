#include "core/testing/virtual_clock.h"

namespace brivel {

uint32_t VirtualClock::TickCount() {
    const uint32_t now = m_now;
    m_now += m_tickStep;
    return now;
}

ScopedClock::ScopedClock(Clock& clock) {
    SetClock(&clock);
}

ScopedClock::~ScopedClock() {
    SetClock(nullptr);
}

}  // namespace brivel

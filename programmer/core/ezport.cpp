#include "core/ezport.h"

#include <algorithm>
#include <new>
#include <vector>

#include "core/adapter_ops.h"
#include "core/clock.h"
#include "core/cp1251.h"

namespace brivel {

namespace {

constexpr auto kTextInterface = W1251("Ошибка интерфейса");
constexpr auto kTextTimeout = W1251("Тайм-аут выполнения операции");
constexpr auto kTextWriteError = W1251("Ошибка записи( установлен флаг WEF )");
constexpr auto kTextSystem = W1251("Системная ошибка(например, при выделении памяти)");
constexpr auto kTextBadAddress = W1251("Некорректный адрес");
constexpr auto kTextBadSize = W1251("Некорректный размер данных");
constexpr auto kTextUnknown = W1251("Неизвестная ошибка");

}  // namespace

const char* ErrorText(int code) {
    switch (code) {
        case kEzInterface:
            return kTextInterface.c_str();
        case kEzTimeout:
            return kTextTimeout.c_str();
        case kEzWriteError:
            return kTextWriteError.c_str();
        case kEzSystem:
            return kTextSystem.c_str();
        case kEzBadAddress:
            return kTextBadAddress.c_str();
        case kEzBadSize:
            return kTextBadSize.c_str();
        default:
            return kTextUnknown.c_str();
    }
}

int PollCompletion(int (*readStatus)(uint8_t* status), uint32_t timeoutMs, const PollPace& pace,
                   uint32_t startedUs) {
    Clock& clock = CurrentClock();
    const uint32_t start = clock.TickCount();
    // Unsigned differences: correct across a wrap of either counter.
    const uint32_t since = clock.MicroTicks() - startedUs;
    if (since < pace.typicalUs) {
        const uint64_t wait =
            std::min<uint64_t>(pace.typicalUs - since, uint64_t{timeoutMs} * 1000);
        clock.SleepMicroseconds(static_cast<uint32_t>(wait));
    }
    uint8_t status = 0;
    for (;;) {
        if (readStatus(&status) != 0) {
            return kEzInterface;
        }
        if ((status & kEzStatusBusy) == 0) {
            break;
        }
        if ((status & kEzStatusWriteError) != 0) {
            return kEzWriteError;
        }
        if (clock.TickCount() - start >= timeoutMs) {
            break;
        }
        clock.SleepMicroseconds(pace.stepUs);
    }
    if ((status & kEzStatusWriteError) != 0) {
        return kEzWriteError;
    }
    if ((status & kEzStatusBusy) != 0) {
        return kEzTimeout;
    }
    return kEzOk;
}

int RunErase(int (*writeEnable)(), int (*readStatus)(uint8_t* status),
             const std::function<void()>& sendEraseFrame, uint32_t timeoutMs,
             const PollPace& pace) {
    writeEnable();
    uint8_t status = 0;
    if (readStatus(&status) != 0 || (status & kEzStatusWriteEnabled) == 0) {
        return kEzInterface;
    }
    const uint32_t started = CurrentClock().MicroTicks();
    sendEraseFrame();
    return PollCompletion(readStatus, timeoutMs, pace, started);
}

int ProgramPages(uint32_t address, const uint8_t* data, uint32_t length,
                 const std::function<int(uint32_t chunkAddress, const uint8_t* chunk,
                                         uint32_t chunkLength)>& writeChunk) {
    if (static_cast<uint64_t>(address) + length > 0xFFFFFFFFull) {
        return kEzBadAddress;
    }
    const uint32_t lead = address % 4;
    const uint64_t padded = (static_cast<uint64_t>(lead) + length + 3) / 4 * 4;
    std::vector<uint8_t> buffer;
    try {
        buffer.assign(padded, 0xFF);
    } catch (const std::bad_alloc&) {
        return kEzSystem;
    }
    for (uint32_t i = 0; i < length; ++i) {
        buffer[lead + i] = data[i];
    }
    const uint32_t base = address - lead;
    uint32_t offset = 0;
    while (offset < buffer.size()) {
        const uint32_t chunkAddress = base + offset;
        const uint32_t pageLeft = kEzPageSize - chunkAddress % kEzPageSize;
        const uint32_t bufferLeft = static_cast<uint32_t>(buffer.size()) - offset;
        const uint32_t chunkLength = pageLeft < bufferLeft ? pageLeft : bufferLeft;
        const int result = writeChunk(chunkAddress, buffer.data() + offset, chunkLength);
        if (result != kEzOk) {
            return result;
        }
        offset += chunkLength;
    }
    return kEzOk;
}

}  // namespace brivel

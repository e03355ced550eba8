#include "core/ezport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/adapter_ops.h"
#include "core/cp1251.h"
#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

struct Chunk {
    uint32_t address;
    std::vector<uint8_t> bytes;
    bool operator==(const Chunk&) const = default;
};

std::vector<Chunk> Split(uint32_t address, const std::vector<uint8_t>& data, int* result) {
    std::vector<Chunk> chunks;
    *result = ProgramPages(address, data.data(), static_cast<uint32_t>(data.size()),
                           [&](uint32_t at, const uint8_t* bytes, uint32_t length) {
                               chunks.push_back({at, {bytes, bytes + length}});
                               return 0;
                           });
    return chunks;
}

TEST(ProgramPages, SplitsAtThePageBoundary) {
    std::vector<uint8_t> data(300);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i);
    }
    int result = -1;
    const std::vector<Chunk> chunks = Split(0x1000, data, &result);
    EXPECT_EQ(result, kEzOk);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0], (Chunk{0x1000, {data.begin(), data.begin() + 256}}));
    // 44 bytes: the 300 bytes end on a 4-byte boundary, so there is no padding.
    EXPECT_EQ(chunks[1], (Chunk{0x1100, {data.begin() + 256, data.end()}}));
}

TEST(ProgramPages, PadsToFourByteAlignmentWithErasedBytes) {
    int result = -1;
    EXPECT_EQ(Split(0x10FE, {0xD0, 0xD1, 0xD2}, &result),
              (std::vector<Chunk>{{0x10FC, {0xFF, 0xFF, 0xD0, 0xD1}},
                                  {0x1100, {0xD2, 0xFF, 0xFF, 0xFF}}}));
    EXPECT_EQ(result, kEzOk);
}

TEST(ProgramPages, RefusesAnAddressRangePastTheTopBeforeWriting) {
    int result = -1;
    EXPECT_TRUE(Split(0xFFFFFFF0, std::vector<uint8_t>(0x20), &result).empty());
    EXPECT_EQ(result, kEzBadAddress);
    EXPECT_EQ(Split(0xFFFFFFF0, std::vector<uint8_t>(0x0F), &result).size(), 1u);
    EXPECT_EQ(result, kEzOk);
}

TEST(ProgramPages, WritesNothingForNoDataAndStopsAtTheFirstFailure) {
    int result = -1;
    EXPECT_TRUE(Split(0x2000, {}, &result).empty());
    EXPECT_EQ(result, kEzOk);
    int calls = 0;
    std::vector<uint8_t> data(600);
    result = ProgramPages(0x2000, data.data(), 600, [&](uint32_t, const uint8_t*, uint32_t) {
        return ++calls == 2 ? kEzWriteError : kEzOk;
    });
    EXPECT_EQ(result, kEzWriteError);
    EXPECT_EQ(calls, 2);
}

// A status register scripted read by read; the last entry repeats.
std::vector<uint8_t> g_statuses;
std::size_t g_statusIndex = 0;
int g_statusResult = 0;

int ScriptedStatus(uint8_t* status) {
    *status = g_statuses[g_statusIndex < g_statuses.size() ? g_statusIndex : g_statuses.size() - 1];
    ++g_statusIndex;
    return g_statusResult;
}

constexpr PollPace kUnpaced{0, 0};

int PollWith(std::vector<uint8_t> statuses, int readResult = 0) {
    g_statuses = std::move(statuses);
    g_statusIndex = 0;
    g_statusResult = readResult;
    VirtualClock clock;
    clock.SetTickStep(1);
    ScopedClock scoped(clock);
    return PollCompletion(ScriptedStatus, 1000, kUnpaced, 0);
}

TEST(PollCompletion, EndsWithTheStatusOfTheLastRead) {
    EXPECT_EQ(PollWith({0x01, 0x01, 0x20}), kEzOk);
    EXPECT_EQ(g_statusIndex, 3u);
    EXPECT_EQ(PollWith({0x01}), kEzTimeout);
    EXPECT_EQ(PollWith({0x01, 0x41}), kEzWriteError);
    EXPECT_EQ(g_statusIndex, 2u);
    EXPECT_EQ(PollWith({0x40}), kEzWriteError);
    EXPECT_EQ(PollWith({0xFF}, 1), kEzInterface);
}

TEST(PollCompletion, TimesOutOnTheVirtualClockWithoutWaiting) {
    g_statuses = {0x01};
    g_statusIndex = 0;
    g_statusResult = 0;
    VirtualClock clock;
    clock.SetTickStep(10);
    ScopedClock scoped(clock);
    EXPECT_EQ(PollCompletion(ScriptedStatus, 5000, kUnpaced, 0), kEzTimeout);
    EXPECT_GE(clock.Now(), 5000u);
    EXPECT_EQ(clock.SleptMs(), 0u);
}

// Time in microseconds; every sleep is noted.
class MicroClock : public Clock {
public:
    uint32_t TickCount() override { return static_cast<uint32_t>(now / 1000); }
    void Sleep(uint32_t ms) override { SleepMicroseconds(ms * 1000); }
    uint32_t MicroTicks() override { return static_cast<uint32_t>(now); }
    void SleepMicroseconds(uint32_t us) override {
        now += us;
        sleeps.push_back(us);
    }
    uint64_t now = 1000000;
    std::vector<uint32_t> sleeps;
};

TEST(PollCompletion, ReadsFirstWhenTheOperationCanBeDoneThenInShortSteps) {
    struct Case {
        const char* name;
        uint32_t startedAgoUs;
        std::vector<uint8_t> statuses;
        std::vector<uint32_t> sleeps;
        int result;
    };
    const Case cases[] = {
        {"done at the first read", 0, {0x20}, {2000}, kEzOk},
        {"busy twice", 0, {0x01, 0x01, 0x20}, {2000, 250, 250}, kEzOk},
        {"frame handed over 1.5 ms ago", 1500, {0x20}, {500}, kEzOk},
        {"typical time already passed", 5000, {0x01, 0x20}, {250}, kEzOk},
        {"write error while busy ends at once", 0, {0x41}, {2000}, kEzWriteError},
    };
    for (const Case& c : cases) {
        MicroClock clock;
        ScopedClock scoped(clock);
        g_statuses = c.statuses;
        g_statusIndex = 0;
        g_statusResult = 0;
        const uint32_t started = clock.MicroTicks() - c.startedAgoUs;
        EXPECT_EQ(PollCompletion(ScriptedStatus, 5000, PollPace{2000, 250}, started), c.result)
            << c.name;
        EXPECT_EQ(clock.sleeps, c.sleeps) << c.name;
        EXPECT_EQ(g_statusIndex, c.statuses.size()) << c.name;
    }
}

TEST(PollCompletion, APacedPollStillEndsAtItsTimeOut) {
    MicroClock clock;
    ScopedClock scoped(clock);
    g_statuses = {0x01};
    g_statusIndex = 0;
    g_statusResult = 0;
    const uint64_t begin = clock.now;
    EXPECT_EQ(PollCompletion(ScriptedStatus, 1000, kSectorErasePace, clock.MicroTicks()),
              kEzTimeout);
    EXPECT_GE(clock.now - begin, 1000000u);
    EXPECT_LT(clock.now - begin, 1000000u + kSectorErasePace.stepUs + 1000);
    // 20 ms before the first read, then one read per millisecond step.
    EXPECT_LT(g_statusIndex, 1000u);
}

int g_writeEnables = 0;
int CountWriteEnable() {
    ++g_writeEnables;
    return 0;
}

TEST(RunErase, SendsNoEraseWhenWriteEnableDidNotTake) {
    bool sent = false;
    g_statuses = {0x20};  // configured, but the write-enable bit is clear
    g_statusIndex = 0;
    g_writeEnables = 0;
    EXPECT_EQ(RunErase(
                  CountWriteEnable, ScriptedStatus, [&] { sent = true; }, 1000, kUnpaced),
              kEzInterface);
    EXPECT_FALSE(sent);
    EXPECT_EQ(g_writeEnables, 1);

    g_statuses = {0x22, 0x21, 0x20};
    g_statusIndex = 0;
    VirtualClock clock;
    ScopedClock scoped(clock);
    EXPECT_EQ(RunErase(
                  CountWriteEnable, ScriptedStatus, [&] { sent = true; }, 1000, kUnpaced),
              kEzOk);
    EXPECT_TRUE(sent);
}

TEST(ErrorText, GivesTheTextOfEachCode) {
    const std::vector<std::pair<int, std::string>> texts = {
        {1, "Ошибка интерфейса"},
        {2, "Тайм-аут выполнения операции"},
        {3, "Ошибка записи( установлен флаг WEF )"},
        {4, "Системная ошибка(например, при выделении памяти)"},
        {5, "Некорректный адрес"},
        {6, "Некорректный размер данных"},
        {0, "Неизвестная ошибка"},
        {101, "Неизвестная ошибка"},
        {-1, "Неизвестная ошибка"},
    };
    for (const auto& [code, text] : texts) {
        EXPECT_EQ(Cp1251ToUtf8(ErrorText(code)), text) << "code " << code;
    }
}

}  // namespace
}  // namespace brivel

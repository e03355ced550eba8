// A settings tree that compiles into a valid external area, a scratch folder for schedule files,
// and readers that follow an area's offsets to its records.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hex_bytes.h"
#include "image/external_area.h"
#include "settings/setup_failure.h"
#include "settings/testing/temp_folder.h"
#include "settings/testing/tree_fixture.h"

namespace quillon::testing {

// Windows-1251 bytes of the messages, written out so that no codec stands between the
// expectation and the area's text.
// "Неправильное поле "
inline const std::string kWrongField =
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xE5 \xEF\xEE\xEB\xE5 ";
// "Неправильное поле "Группа устройств"."
inline const std::string kWrongGroup =
    kWrongField + "\"\xC3\xF0\xF3\xEF\xEF\xE0 \xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2\".";
// "Задано не допустимое кол-во устройств для канала %d."
inline std::string WrongCount(int channel) {
    return "\xC7\xE0\xE4\xE0\xED\xEE \xED\xE5 \xE4\xEE\xEF\xF3\xF1\xF2\xE8\xEC\xEE\xE5 "
           "\xEA\xEE\xEB-\xE2\xEE \xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2 \xE4\xEB\xFF "
           "\xEA\xE0\xED\xE0\xEB\xE0 " +
           std::to_string(channel) + ".";
}
// "Кол-во устройств для канала %d превышает 128."
inline std::string TooManyMeters(int channel) {
    return "\xCA\xEE\xEB-\xE2\xEE \xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2 \xE4\xEB\xFF "
           "\xEA\xE0\xED\xE0\xEB\xE0 " +
           std::to_string(channel) + " \xEF\xF0\xE5\xE2\xFB\xF8\xE0\xE5\xF2 128.";
}
// "Неправильное поле"Настройки UART -> " with no blank before the quotation mark.
inline const std::string kWrongUart =
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xE5 \xEF\xEE\xEB\xE5\""
    "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8 UART -> ";
// "... Скорость""
inline const std::string kWrongSpeed = kWrongUart + "\xD1\xEA\xEE\xF0\xEE\xF1\xF2\xFC\"";
// "... Количество бит для кодирования символа""
inline const std::string kWrongDataBits =
    kWrongUart +
    "\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE \xE1\xE8\xF2 \xE4\xEB\xFF "
    "\xEA\xEE\xE4\xE8\xF0\xEE\xE2\xE0\xED\xE8\xFF \xF1\xE8\xEC\xE2\xEE\xEB\xE0\"";
// "... Длительность стопового бита""
inline const std::string kWrongStopBits =
    kWrongUart +
    "\xC4\xEB\xE8\xF2\xE5\xEB\xFC\xED\xEE\xF1\xF2\xFC \xF1\xF2\xEE\xEF\xEE\xE2\xEE\xE3\xEE "
    "\xE1\xE8\xF2\xE0\"";
// "... Использование бита чётности""
inline const std::string kWrongParity =
    kWrongUart +
    "\xC8\xF1\xEF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xED\xE8\xE5 \xE1\xE8\xF2\xE0 "
    "\xF7\xB8\xF2\xED\xEE\xF1\xF2\xE8\"";
// "Не удается открыть файл с таблицей расписания."
inline const std::string kCannotOpenSchedule =
    "\xCD\xE5 \xF3\xE4\xE0\xE5\xF2\xF1\xFF \xEE\xF2\xEA\xF0\xFB\xF2\xFC \xF4\xE0\xE9\xEB \xF1 "
    "\xF2\xE0\xE1\xEB\xE8\xF6\xE5\xE9 \xF0\xE0\xF1\xEF\xE8\xF1\xE0\xED\xE8\xFF.";
// "Не удается прочитать файл с таблицей расписания."
inline const std::string kCannotReadSchedule =
    "\xCD\xE5 \xF3\xE4\xE0\xE5\xF2\xF1\xFF \xEF\xF0\xEE\xF7\xE8\xF2\xE0\xF2\xFC \xF4\xE0\xE9\xEB "
    "\xF1 \xF2\xE0\xE1\xEB\xE8\xF6\xE5\xE9 \xF0\xE0\xF1\xEF\xE8\xF1\xE0\xED\xE8\xFF.";
// "Область настроек коммуникатора слишком велика. Уменьшите таблицу расписания."
inline const std::string kAreaTooLarge =
    "\xCE\xE1\xEB\xE0\xF1\xF2\xFC \xED\xE0\xF1\xF2\xF0\xEE\xE5\xEA "
    "\xEA\xEE\xEC\xEC\xF3\xED\xE8\xEA\xE0\xF2\xEE\xF0\xE0 \xF1\xEB\xE8\xF8\xEA\xEE\xEC "
    "\xE2\xE5\xEB\xE8\xEA\xE0. \xD3\xEC\xE5\xED\xFC\xF8\xE8\xF2\xE5 "
    "\xF2\xE0\xE1\xEB\xE8\xF6\xF3 \xF0\xE0\xF1\xEF\xE8\xF1\xE0\xED\xE8\xFF.";

inline uint32_t BigEndian(const std::vector<uint8_t>& bytes, size_t at, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        value = (value << 8) | bytes.at(at + i);
    }
    return value;
}

// Position that the 4-byte self-relative offset field at `field` leads to.
inline size_t OffsetTarget(const std::vector<uint8_t>& area, size_t field) {
    return field + BigEndian(area, field, 4);
}

// Position of the offset field of the directory entry with the identifier; the section table
// starts at 18, its entries hold section 0x0000 and then 0x0100.
inline size_t DirectoryField(const std::vector<uint8_t>& area, int section, uint16_t identifier) {
    const size_t directory = OffsetTarget(area, 18 + 4 + 6 * static_cast<size_t>(section) + 2);
    const size_t count = BigEndian(area, directory + 2, 2);
    for (size_t i = 0; i < count; ++i) {
        if (BigEndian(area, directory + 4 + 6 * i, 2) == identifier) {
            return directory + 4 + 6 * i + 2;
        }
    }
    ADD_FAILURE() << "no identifier " << identifier << " in section " << section;
    return 0;
}

// The whole record, size field to checksum, that a directory entry leads to.
inline std::vector<uint8_t> RecordOf(const std::vector<uint8_t>& area, uint16_t identifier,
                                     int section = 0) {
    const size_t start = OffsetTarget(area, DirectoryField(area, section, identifier));
    const size_t size = BigEndian(area, start, 2);
    return {area.begin() + static_cast<std::ptrdiff_t>(start),
            area.begin() + static_cast<std::ptrdiff_t>(start + size)};
}

inline constexpr uint16_t kSystemFlagsId = 4;
inline constexpr uint16_t kScheduleId = 5;
inline constexpr uint16_t kChannelSetupId = 6;
inline constexpr uint16_t kUartId = 28;
inline constexpr uint16_t kFilterId = 29;
inline constexpr uint16_t kPollId = 13;  // in section 0x0100

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Valid settings: two Ethernet channels, both exchange channels unused, a 4-byte schedule
// file in a scratch folder of its own.
class ExternalAreaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.empty());
        m_schedule = m_folder / "schedule.bin";
        WriteFile(m_schedule, {0x11, 0x22, 0x33, 0x44});
        SetValid(m_tree);
    }

    void SetValid(TreeFixture& tree) const {
        tree.Set("EXT_GID", "1");
        for (const char* channel : {"MAIN", "RSV"}) {
            const std::string prefix = std::string("EXT_") + channel + "_CHAN_";
            tree.Select(prefix + "TYPE", 0)
                .Set(prefix + "SYS", "s")
                .Set(prefix + "SRV", "v")
                .Set(prefix + "TRY", "t")
                .Set(prefix + "IP", "10.0.0.2")
                .Set(prefix + "GATE", "10.0.0.1")
                .Set(prefix + "MASK", "255.0.0.0");
        }
        tree.Select("CH0_GROUP", 0).Select("CH1_GROUP", 0);
        tree.Set("TIME_TABLE", m_schedule.string());
    }

    // Sizes and builds the area as Save Setup does, into a buffer with guard bytes behind it.
    std::vector<uint8_t> Build() { return BuildTree(m_tree); }

    static std::vector<uint8_t> BuildTree(const TreeFixture& tree) {
        CStpAreaExt area;
        const size_t size = area.GetSize(tree.Keys());
        std::vector<uint8_t> buffer(size + kGuard, 0xCC);
        area.Build(std::span(buffer).first(size), tree.Keys());
        EXPECT_EQ(std::vector<uint8_t>(buffer.end() - kGuard, buffer.end()),
                  std::vector<uint8_t>(kGuard, 0xCC));
        EXPECT_EQ(area.PendingLabelCount(), 0u);
        buffer.resize(size);
        return buffer;
    }

    // The message of the first setup failure of sizing and then building, as Save Setup runs
    // them; a build that fails must not touch the guard bytes behind its buffer.
    static std::string FailureOf(const TreeFixture& tree) {
        CStpAreaExt area;
        try {
            const size_t size = area.GetSize(tree.Keys());
            std::vector<uint8_t> buffer(size + kGuard, 0xCC);
            try {
                area.Build(std::span(buffer).first(size), tree.Keys());
            } catch (const SetupFailure&) {
                EXPECT_EQ(std::vector<uint8_t>(buffer.end() - kGuard, buffer.end()),
                          std::vector<uint8_t>(kGuard, 0xCC));
                throw;
            }
        } catch (const SetupFailure& failure) {
            return failure.Message();
        }
        return "no failure";
    }

    std::string Failure() const { return FailureOf(m_tree); }

    static constexpr size_t kGuard = 16;
    TempFolder m_scratch;
    const std::filesystem::path& m_folder = m_scratch.Path();
    std::filesystem::path m_schedule;
    TreeFixture m_tree;
};

}  // namespace quillon::testing

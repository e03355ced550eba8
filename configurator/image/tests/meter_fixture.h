// A settings tree with meters on the exchange channels, and the meter area built from it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "image/meter_area.h"
#include "image/meter_layout.h"
#include "settings/channel_counts.h"
#include "settings/meter_types.h"
#include "settings/setup_failure.h"
#include "settings/testing/tree_fixture.h"

namespace quillon {

// For readable failures: "(meter; i, j, k)".
inline void PrintTo(const PasswordElement& element, std::ostream* out) {
    *out << "(" << element.meter << "; " << element.triple[0] << ", " << element.triple[1] << ", "
         << element.triple[2] << ")";
}

}  // namespace quillon

namespace quillon::testing {

// The meter area's messages in Windows-1251.
// "Задано не допустимое кол-во устройств для канала 1."
inline const std::string kCountRefused =
    "\xC7\xE0\xE4\xE0\xED\xEE \xED\xE5 \xE4\xEE\xEF\xF3\xF1\xF2\xE8\xEC\xEE\xE5 \xEA\xEE\xEB-\xE2"
    "\xEE \xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2 \xE4\xEB\xFF \xEA\xE0\xED\xE0\xEB\xE0 1.";
// "Не задан пароль для "
inline const std::string kPasswordMissing =
    "\xCD\xE5 \xE7\xE0\xE4\xE0\xED \xEF\xE0\xF0\xEE\xEB\xFC \xE4\xEB\xFF ";
// "Неверное значение пароля " and " для типа счетчика "
inline const std::string kPasswordValue =
    "\xCD\xE5\xE2\xE5\xF0\xED\xEE\xE5 \xE7\xED\xE0\xF7\xE5\xED\xE8\xE5 \xEF\xE0\xF0\xEE\xEB\xFF ";
inline const std::string kForMeterType =
    " \xE4\xEB\xFF \xF2\xE8\xEF\xE0 \xF1\xF7\xE5\xF2\xF7\xE8\xEA\xE0 ";
// "Неправильный сетевой адрес для узла "
inline const std::string kBadAddress =
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9 \xF1\xE5\xF2\xE5\xE2\xEE\xE9 \xE0\xE4\xF0"
    "\xE5\xF1 \xE4\xEB\xFF \xF3\xE7\xEB\xE0 ";
// "Повторяющийся адрес для канала "
inline const std::string kRepeatedAddress =
    "\xCF\xEE\xE2\xF2\xEE\xF0\xFF\xFE\xF9\xE8\xE9\xF1\xFF \xE0\xE4\xF0\xE5\xF1 \xE4\xEB\xFF \xEA"
    "\xE0\xED\xE0\xEB\xE0 ";
// "Не задан канал подключения сервера времени."
inline const std::string kNoTsChannel =
    "\xCD\xE5 \xE7\xE0\xE4\xE0\xED \xEA\xE0\xED\xE0\xEB \xEF\xEE\xE4\xEA\xEB\xFE\xF7\xE5\xED\xE8"
    "\xFF \xF1\xE5\xF0\xE2\xE5\xF0\xE0 \xE2\xF0\xE5\xEC\xE5\xED\xE8.";
// "Не задана конфигурация канала, соответствующая типу сервера времени."
inline const std::string kNoTsMeters =
    "\xCD\xE5 \xE7\xE0\xE4\xE0\xED\xE0 \xEA\xEE\xED\xF4\xE8\xE3\xF3\xF0\xE0\xF6\xE8\xFF \xEA\xE0"
    "\xED\xE0\xEB\xE0, \xF1\xEE\xEE\xF2\xE2\xE5\xF2\xF1\xF2\xE2\xF3\xFE\xF9\xE0\xFF \xF2\xE8\xEF"
    "\xF3 \xF1\xE5\xF0\xE2\xE5\xF0\xE0 \xE2\xF0\xE5\xEC\xE5\xED\xE8.";
// "Неправильный адрес сервера времени."
inline const std::string kBadTsAddress =
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9 \xE0\xE4\xF0\xE5\xF1 \xF1\xE5\xF0\xE2\xE5"
    "\xF0\xE0 \xE2\xF0\xE5\xEC\xE5\xED\xE8.";
// "Неправильный пароль сервера времени."
inline const std::string kBadTsPassword =
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9 \xEF\xE0\xF0\xEE\xEB\xFC \xF1\xE5\xF0\xE2"
    "\xE5\xF0\xE0 \xE2\xF0\xE5\xEC\xE5\xED\xE8.";
// "Область настроек счетчиков слишком велика. Уменьшите кол-во уникальных паролей."
inline const std::string kTooLarge =
    "\xCE\xE1\xEB\xE0\xF1\xF2\xFC \xED\xE0\xF1\xF2\xF0\xEE\xE5\xEA \xF1\xF7\xE5\xF2\xF7\xE8\xEA"
    "\xEE\xE2 \xF1\xEB\xE8\xF8\xEA\xEE\xEC \xE2\xE5\xEB\xE8\xEA\xE0. \xD3\xEC\xE5\xED\xFC\xF8\xE8"
    "\xF2\xE5 \xEA\xEE\xEB-\xE2\xEE \xF3\xED\xE8\xEA\xE0\xEB\xFC\xED\xFB\xF5 \xEF\xE0\xF0\xEE\xEB"
    "\xE5\xE9.";
// "Кол-во устройств для канала 0 превышает 128."
inline const std::string kCountAbove128 =
    "\xCA\xEE\xEB-\xE2\xEE \xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2 \xE4\xEB\xFF \xEA\xE0\xED\xE0\xEB"
    "\xE0 0 \xEF\xF0\xE5\xE2\xFB\xF8\xE0\xE5\xF2 128.";

// Option of a channel's "Группа устройств" list that serves the meter type.
inline int GroupServing(int channel, int type) {
    for (int group = 0; group < 9; ++group) {
        const GroupTypes served = TypesOfGroup(channel, group);
        if (type >= served.first && type < served.first + served.count) {
            return group;
        }
    }
    throw std::out_of_range("no group serves the type on the channel");
}

class MeterTree {
public:
    MeterTree() { m_tree.Select("CH0_GROUP", 0).Select("CH1_GROUP", 0); }

    // Selects the group that serves the type on the channel and sets the type's count.
    MeterTree& Count(int channel, int type, const std::string& count) {
        m_tree.Select(Key(channel, "GROUP"), GroupServing(channel, type));
        m_tree.Set(Key(channel, kMeterTypeTags[static_cast<size_t>(type)]) + "_NUM", count);
        return *this;
    }
    MeterTree& Count(int channel, int type, int count) {
        return Count(channel, type, std::to_string(count));
    }

    MeterTree& Address(int channel, int type, int number, const std::string& text) {
        m_tree.Set(MeterKey(channel, type, number, "NA"), text);
        return *this;
    }

    MeterTree& Passwords(int channel, int type, int number, std::vector<std::string> texts) {
        for (size_t box = 0; box < texts.size(); ++box) {
            m_tree.SetPassword(MeterKey(channel, type, number, "PASS"), static_cast<int>(box),
                               texts[box]);
        }
        return *this;
    }

    MeterTree& Tick(const std::string& key, int state = 1) {
        m_tree.Check(key, state);
        return *this;
    }

    // Meters 1..count of the type on the channel with addresses first, first + 1, ... and the
    // same passwords.
    MeterTree& Fill(int channel, int type, int count, int first = 1,
                    std::vector<std::string> passwords = {"1,2,3,4,5,6", "1,2,3,4,5,6",
                                                          "1,2,3,4,5,6"}) {
        Count(channel, type, count);
        for (int k = 1; k <= count; ++k) {
            Address(channel, type, k, std::to_string(first + k - 1));
            if (kMeterLayouts[static_cast<size_t>(type)].passwordBoxes > 0) {
                Passwords(channel, type, k, passwords);
            }
        }
        return *this;
    }

    TreeFixture& Tree() { return m_tree; }
    KeyMap& Keys() { return m_tree.Keys(); }

    static std::string MeterKey(int channel, int type, int number, const std::string& item) {
        return Key(channel, kMeterTypeTags[static_cast<size_t>(type)]) + "_" +
               std::to_string(number) + "_" + item;
    }

private:
    static std::string Key(int channel, const std::string& name) {
        return "CH" + std::to_string(channel) + "_" + name;
    }

    TreeFixture m_tree;
};

// Prepare, GetSize and Build as Save Setup runs them, into a buffer with guard bytes behind it;
// checks that every byte was written once and every label resolved.
inline std::vector<uint8_t> BuildArea(CStpAreaCnt& area, KeyMap& keys) {
    constexpr size_t kGuard = 16;
    area.Prepare(keys);
    const size_t size = area.GetSize(keys);
    std::vector<uint8_t> buffer(size + kGuard, 0xCC);
    area.Build(std::span(buffer).first(size), keys);
    EXPECT_EQ(std::vector<uint8_t>(buffer.end() - kGuard, buffer.end()),
              std::vector<uint8_t>(kGuard, 0xCC));
    EXPECT_EQ(area.PendingLabelCount(), 0u);
    buffer.resize(size);
    return buffer;
}

inline std::vector<uint8_t> BuildArea(KeyMap& keys) {
    CStpAreaCnt area;
    return BuildArea(area, keys);
}

// The message of the first setup failure of Prepare, GetSize and Build, "" without one.
inline std::string FailureOf(KeyMap& keys) {
    try {
        BuildArea(keys);
    } catch (const SetupFailure& failure) {
        return failure.Message();
    }
    return "";
}

}  // namespace quillon::testing

namespace quillon::testing {

inline uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t{bytes.at(at)} << 24 | uint32_t{bytes.at(at + 1)} << 16 |
           uint32_t{bytes.at(at + 2)} << 8 | uint32_t{bytes.at(at + 3)};
}

// The record at a position, from its size field to its checksum.
inline std::vector<uint8_t> RecordAt(const std::vector<uint8_t>& area, size_t at) {
    const size_t size = size_t{area.at(at)} << 8 | area.at(at + 1);
    return {area.begin() + static_cast<ptrdiff_t>(at),
            area.begin() + static_cast<ptrdiff_t>(at + size)};
}

// Position of the record that the offset table at a position leads to under an identifier;
// 0 when the table has no such entry.
inline size_t FollowEntry(const std::vector<uint8_t>& area, size_t table, uint16_t identifier) {
    const size_t count = size_t{area.at(table + 2)} << 8 | area.at(table + 3);
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = table + 4 + 6 * i;
        if ((area.at(entry) << 8 | area.at(entry + 1)) == identifier) {
            return entry + 2 + ReadU32(area, entry + 2);
        }
    }
    return 0;
}

// The item record of a section, found through the section table and the section's directory
// the way the communicator finds it; empty when the area has no such item.
inline std::vector<uint8_t> ItemRecord(const std::vector<uint8_t>& area, uint16_t section,
                                       uint16_t item) {
    const size_t directory = FollowEntry(area, 18, section);
    if (directory == 0) {
        return {};
    }
    const size_t record = FollowEntry(area, directory, item);
    return record == 0 ? std::vector<uint8_t>{} : RecordAt(area, record);
}

inline std::vector<uint8_t> Directory(const std::vector<uint8_t>& area, uint16_t section) {
    const size_t directory = FollowEntry(area, 18, section);
    return directory == 0 ? std::vector<uint8_t>{} : RecordAt(area, directory);
}

}  // namespace quillon::testing

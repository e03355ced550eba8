// Prepare: the checks of the meter settings and the groups and password tables they give.
#include <algorithm>
#include <optional>
#include <string>

#include "image/meter_area.h"
#include "image/meter_layout.h"
#include "settings/cp1251.h"
#include "settings/setup_entry.h"
#include "settings/setup_failure.h"

namespace quillon {

namespace {

const MeterLayout& LayoutOf(int type) {
    return kMeterLayouts[static_cast<size_t>(type)];
}

const char* TagOf(int type) {
    return kMeterTypeTags[static_cast<size_t>(type)];
}

[[noreturn]] void FailPasswordMissing(const std::string& key) {
    throw SetupFailure(ToCp1251("Не задан пароль для ") + key);
}

[[noreturn]] void FailPasswordValue(const std::string& cp1251Text, int type) {
    throw SetupFailure(ToCp1251("Неверное значение пароля ") + cp1251Text +
                       ToCp1251(" для типа счетчика ") + TagOf(type));
}

}  // namespace

void CStpAreaCnt::Prepare(KeyMap& keys) {
    m_counts = {};
    m_groups.clear();
    m_passwords.clear();
    m_passwordIndexes.clear();
    m_passwordGroups.clear();
    m_sets.clear();
    for (auto& channel : m_triples) {
        for (auto& triples : channel) {
            triples.clear();
        }
    }

    ReadChannelCounts(keys, m_counts);
    CheckCounts();
    FormGroups();
    TabulatePasswords(keys);
    FormPasswordSets();
    CheckAddresses(keys);
}

// The count entry of MS744 controllers admits 128 while the tree holds 32 controller nodes; a
// count beyond a type's nodes is refused before any meter is looked up.
void CStpAreaCnt::CheckCounts() const {
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        for (int t = 0; t < kMeterTypeCount; ++t) {
            if (m_counts[static_cast<size_t>(c)][static_cast<size_t>(t)] >
                kMeterTypes[static_cast<size_t>(t)].nodeCount) {
                throw SetupFailure(ToCp1251("Задано не допустимое кол-во устройств для канала ") +
                                   std::to_string(c) + ".");
            }
        }
    }
}

void CStpAreaCnt::FormGroups() {
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        for (int t = 0; t < kMeterTypeCount; ++t) {
            const int count = m_counts[static_cast<size_t>(c)][static_cast<size_t>(t)];
            for (int g = 0; kMetersPerGroup * g < count; ++g) {
                MeterGroup group;
                group.channel = c;
                group.type = t;
                group.ordinal = g;
                group.code = static_cast<uint16_t>(
                    kGroupCodeBases[static_cast<size_t>(c)][static_cast<size_t>(t)] + g);
                group.count = std::min(count - kMetersPerGroup * g, kMetersPerGroup);
                m_groups.push_back(std::move(group));
            }
        }
    }
}

int CStpAreaCnt::AddPassword(const PasswordBytes& password) {
    const auto [it, added] =
        m_passwordIndexes.emplace(password, static_cast<int>(m_passwords.size()));
    if (added) {
        m_passwords.push_back(password);
    }
    return it->second;
}

// Checks every password box of every meter that has passwords, channel 0 first, types in
// kPasswordTypes order, meters ascending, and enters each new password in the unique table.
// The index triple of each meter is kept for the classes: a password's index never changes once
// it is in the table, so reading the boxes once gives the same triples as reading them again.
void CStpAreaCnt::TabulatePasswords(const KeyMap& keys) {
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        for (int t : kPasswordTypes) {
            const MeterLayout& layout = LayoutOf(t);
            const int count = m_counts[static_cast<size_t>(c)][static_cast<size_t>(t)];
            auto& triples = m_triples[static_cast<size_t>(c)][static_cast<size_t>(t)];
            for (int k = 1; k <= count; ++k) {
                const std::string key = MeterKey(c, t, k, "PASS");
                const CSetupEntry& entry = keys.Get(key);
                if (!entry.IsValid()) {
                    FailPasswordMissing(key);
                }
                PasswordTriple triple;
                triple.fill(kAbsentPasswordIndex);
                for (int m = 0; m < layout.passwordBoxes; ++m) {
                    const std::string text = entry.GetPassword(m);
                    const std::optional<PasswordBytes> password =
                        ParsePassword(text, layout.passwordBytes, layout.digitsOnly);
                    if (!password) {
                        FailPasswordValue(text, t);
                    }
                    triple[static_cast<size_t>(m)] = AddPassword(*password);
                }
                triples.push_back(triple);
            }
        }
    }
}

// One password set per meter group: the largest class (the first of equal ones) is the group's
// default, every other meter is listed with its own triple. Groups with equal sets share one.
void CStpAreaCnt::FormPasswordSets() {
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        for (int t : kPasswordTypes) {
            const auto& triples = m_triples[static_cast<size_t>(c)][static_cast<size_t>(t)];
            const size_t firstRecord = m_passwordGroups.size();
            for (const MeterGroup& group : m_groups) {
                if (group.channel == c && group.type == t) {
                    m_passwordGroups.push_back({c, t, group.ordinal, group.code, {}});
                }
            }
            for (size_t i = 0; i < triples.size(); ++i) {
                PasswordGroup& record = m_passwordGroups[firstRecord + i / kMetersPerGroup];
                const int meter = static_cast<int>(i % kMetersPerGroup) + 1;
                const auto found = std::find_if(
                    record.classes.begin(), record.classes.end(),
                    [&](const PasswordClass& cls) { return cls.triple == triples[i]; });
                if (found != record.classes.end()) {
                    found->meters.push_back(meter);
                } else {
                    record.classes.push_back({triples[i], {meter}});
                }
            }
        }
    }

    for (const PasswordGroup& record : m_passwordGroups) {
        const auto descriptor = std::find_if(m_groups.begin(), m_groups.end(), [&](const auto& g) {
            return g.channel == record.channel && g.type == record.type &&
                   g.ordinal == record.ordinal;
        });
        // max_element keeps the first of equal sizes.
        const auto fallback = std::max_element(
            record.classes.begin(), record.classes.end(),
            [](const auto& a, const auto& b) { return a.meters.size() < b.meters.size(); });

        PasswordSet set{PasswordElement{0, fallback->triple}};
        for (auto cls = record.classes.begin(); cls != record.classes.end(); ++cls) {
            if (cls == fallback) {
                continue;
            }
            for (int meter : cls->meters) {
                set.push_back({meter, cls->triple});
            }
        }

        auto listed = std::find(m_sets.begin(), m_sets.end(), set);
        if (listed == m_sets.end()) {
            listed = m_sets.insert(m_sets.end(), std::move(set));
        }
        descriptor->setIndexes.push_back(static_cast<int>(listed - m_sets.begin()));
    }
}

// Addresses are unique over all meter types of one channel; both channels may use the same.
void CStpAreaCnt::CheckAddresses(KeyMap& keys) {
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        std::vector<uint32_t> used;
        for (int t = 0; t < kMeterTypeCount; ++t) {
            const int count = m_counts[static_cast<size_t>(c)][static_cast<size_t>(t)];
            for (int k = 1; k <= count; ++k) {
                const uint32_t address = CheckedAddress(keys, c, t, k);
                if (std::find(used.begin(), used.end(), address) != used.end()) {
                    throw SetupFailure(ToCp1251("Повторяющийся адрес для канала ") +
                                       std::to_string(c));
                }
                used.push_back(address);
            }
        }
    }
}

uint32_t CStpAreaCnt::CheckedAddress(KeyMap& keys, int channel, int type, int number) {
    CSetupEntry& entry = keys.Get(MeterKey(channel, type, number, "NA"));
    if (type == kMeterM601) {
        entry.SetText("1");
    }
    if (!entry.IsValid()) {
        throw SetupFailure(ToCp1251("Неправильный сетевой адрес для узла ") +
                           MeterName(channel, type, number) + ".");
    }
    return entry.GetNumber();
}

int CStpAreaCnt::TimeServerSelection(const KeyMap& keys) {
    return keys.Get("TS_TYPE").GetSelection();
}

// A selected time server must be one of the meters the channel counts.
void CStpAreaCnt::CheckTimeServer(const KeyMap& keys) const {
    const CSetupEntry& channel = keys.Get("TS_CHAN");
    if (!channel.IsValid()) {
        throw SetupFailure::FromUtf8("Не задан канал подключения сервера времени.");
    }
    const int type = TimeServerSelection(keys) - 1;
    if (m_counts[static_cast<size_t>(channel.GetSelection())][static_cast<size_t>(type)] == 0) {
        throw SetupFailure::FromUtf8(
            "Не задана конфигурация канала, соответствующая типу сервера времени.");
    }
    if (!keys.Get("TS_ADDR").IsValid()) {
        throw SetupFailure::FromUtf8("Неправильный адрес сервера времени.");
    }
    if (!keys.Get("TS_PASS").IsValid()) {
        FailTimeServerPassword();
    }
}

void CStpAreaCnt::FailTimeServerPassword() {
    throw SetupFailure::FromUtf8("Неправильный пароль сервера времени.");
}

PasswordBytes CStpAreaCnt::TimeServerPassword(const KeyMap& keys) {
    const std::optional<PasswordBytes> password =
        ParsePassword(keys.Get("TS_PASS").GetText(), 6, false);
    if (!password) {
        FailTimeServerPassword();
    }
    return *password;
}

}  // namespace quillon

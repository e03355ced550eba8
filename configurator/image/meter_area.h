// The meter area: which meters sit on the two exchange channels, their network addresses,
// passwords and flags, the MS744 controller options and the time server.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "image/area.h"
#include "image/password_text.h"
#include "settings/channel_counts.h"
#include "settings/key_map.h"

namespace quillon {

// Indexes into the unique password table of a meter's password boxes 1, 2 and 3.
using PasswordTriple = std::array<int32_t, 3>;

// Up to 32 meters of one type on one channel: meters 32 * ordinal + 1 onwards.
struct MeterGroup {
    int channel = 0;
    int type = 0;
    int ordinal = 0;
    uint16_t code = 0;
    int count = 0;
    // Into the password set list; one entry for a type with passwords, none otherwise.
    std::vector<int> setIndexes;
};

// The meters of a group (numbers 1..32 within it) that share one password triple.
struct PasswordClass {
    PasswordTriple triple{};
    std::vector<int> meters;
};

// The password classes of one meter group, in the order their first meters come.
struct PasswordGroup {
    int channel = 0;
    int type = 0;
    int ordinal = 0;
    uint16_t code = 0;
    std::vector<PasswordClass> classes;
};

// Meter number 0 stands for every meter of the group that no other element names.
struct PasswordElement {
    int meter = 0;
    PasswordTriple triple{};
    bool operator==(const PasswordElement&) const = default;
};

using PasswordSet = std::vector<PasswordElement>;

// "RAY_0014_ADDR_TBL" from section 0x0014 and "ADDR_TBL".
std::string SectionLabel(uint16_t section, std::string_view item);

class CStpAreaCnt : public CArea {
public:
    // Reads the meter counts, checks every meter password and network address, stopping at the
    // first failure, and derives the groups and password tables. Sets the address text of every
    // counted MULTICAL601 meter to "1".
    void Prepare(KeyMap& keys);

    // The exact size of the area after Prepare; checks the time-server settings.
    size_t GetSize(const KeyMap& keys) const;

    // The checks that Build adds to those of GetSize, writing nothing: the format of the time
    // server's password. For an area that is refused for its size without being built.
    void CheckBuild(const KeyMap& keys) const;

    // Writes the area after Prepare into a buffer of exactly GetSize bytes. Checks the format
    // of the time server's password first, then refuses more than 255 passwords or password
    // sets, which the one-byte counts cannot hold, with the message of the too-large area.
    void Build(std::span<uint8_t> buffer, KeyMap& keys);

    const ChannelCounts& Counts() const { return m_counts; }
    const std::vector<MeterGroup>& Groups() const { return m_groups; }
    const std::vector<PasswordBytes>& Passwords() const { return m_passwords; }
    const std::vector<PasswordGroup>& PasswordGroups() const { return m_passwordGroups; }
    const std::vector<PasswordSet>& PasswordSets() const { return m_sets; }

private:
    // Which optional sections and items the area has.
    struct Layout {
        bool timeServer = false;
        bool passwordTable = false;
        bool passwordSection = false;
        bool ms744 = false;
    };
    // Offset table entries: identifier and the label of the offset field.
    using Directory = std::vector<std::pair<uint16_t, std::string>>;

    static constexpr size_t kMs744PollSize = 6;
    static constexpr size_t kMs744BaudSize = 6;
    static constexpr size_t kTimeServerParamSize = 6;
    static constexpr size_t kTimeServerAddressSize = 5;
    static constexpr size_t kMaskSize = 8;

    // meter_validation.cpp
    void CheckCounts() const;
    void FormGroups();
    void TabulatePasswords(const KeyMap& keys);
    void FormPasswordSets();
    void CheckAddresses(KeyMap& keys);
    int AddPassword(const PasswordBytes& password);
    // The value of a meter's network-address entry, which must be valid; a MULTICAL601 address
    // is set to "1" first.
    static uint32_t CheckedAddress(KeyMap& keys, int channel, int type, int number);
    // 0 "Не используется"; 1 to 3 the meter type index + 1 of the time server.
    static int TimeServerSelection(const KeyMap& keys);
    void CheckTimeServer(const KeyMap& keys) const;
    // The six bytes of TS_PASS; a text that does not parse fails.
    static PasswordBytes TimeServerPassword(const KeyMap& keys);
    [[noreturn]] static void FailTimeServerPassword();

    // meter_area.cpp
    Layout LayoutFor(const KeyMap& keys) const;
    Directory SectionEntries(const Layout& layout) const;
    static Directory PasswordDirectory(const Layout& layout);
    static Directory Ms744Directory();
    static Directory GroupDirectory(const MeterGroup& group);
    size_t PasswordSetsSize() const;
    static size_t PasswordTableSize(size_t passwords);
    static size_t AddressTableSize(const MeterGroup& group);
    static size_t PasswordReferenceSize(const MeterGroup& group);
    static size_t GroupItemsSize(const MeterGroup& group);
    void PutDirectory(const Directory& entries, size_t& cursor);

    // meter_tables.cpp
    // Resolves the record's label and writes its size; returns the record's position.
    size_t BeginRecord(std::string_view label, size_t size, size_t& cursor);
    // Checks that the writer emitted exactly size bytes and reserves the record checksum.
    void EndRecord(size_t start, size_t size, size_t& cursor);
    void WritePasswordSets(size_t& cursor);
    void WritePasswordTable(size_t& cursor);
    void WriteTimeServer(const KeyMap& keys, const PasswordBytes& password, size_t& cursor);
    void WriteMs744Poll(const KeyMap& keys, size_t& cursor);
    void WriteMs744Baud(const KeyMap& keys, size_t& cursor);
    void WriteGroupItems(const MeterGroup& group, KeyMap& keys, size_t& cursor);
    void WriteAddressTable(const MeterGroup& group, KeyMap& keys, size_t& cursor);
    void WriteMask(const MeterGroup& group, const KeyMap& keys, std::string_view name,
                   std::string_view box, size_t& cursor);

    ChannelCounts m_counts{};
    std::vector<MeterGroup> m_groups;
    std::vector<PasswordBytes> m_passwords;
    std::map<PasswordBytes, int> m_passwordIndexes;
    std::vector<PasswordGroup> m_passwordGroups;
    std::vector<PasswordSet> m_sets;
    // Password triple of every meter with passwords, by channel and type, meter number - 1.
    std::array<std::array<std::vector<PasswordTriple>, kMeterTypeCount>, kExchangeChannelCount>
        m_triples;
};

}  // namespace quillon

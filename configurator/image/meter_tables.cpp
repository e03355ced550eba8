// The item records of the meter area: password sets and passwords, time server, MS744 options,
// and each meter group's address table, password set reference and masks.
#include "image/meter_area.h"
#include "image/meter_layout.h"
#include "settings/setup_failure.h"

namespace quillon {

size_t CStpAreaCnt::BeginRecord(std::string_view label, size_t size, size_t& cursor) {
    ResolveLabel(cursor, label);
    const size_t start = cursor;
    PutU16(size, cursor);
    return start;
}

void CStpAreaCnt::EndRecord(size_t start, size_t size, size_t& cursor) {
    if (cursor != start + size - 2) {
        throw AreaInternalError("setup area: record at position " + std::to_string(start) +
                                " sized " + std::to_string(size) + " bytes, written " +
                                std::to_string(cursor + 2 - start));
    }
    AddChecksum(cursor, size - 2);
}

// Each set's offset is counted from the count byte, not from its own field.
void CStpAreaCnt::WritePasswordSets(size_t& cursor) {
    const size_t size = PasswordSetsSize();
    const size_t start = BeginRecord(SectionLabel(kPasswordSection, "GROUPS"), size, cursor);
    PutU8(static_cast<uint8_t>(m_sets.size()), cursor);
    size_t offset = 1 + 4 * m_sets.size();
    for (const PasswordSet& set : m_sets) {
        PutU32(static_cast<uint32_t>(offset), cursor);
        offset += 1 + 4 * set.size();
    }
    for (const PasswordSet& set : m_sets) {
        PutU8(static_cast<uint8_t>(set.size()), cursor);
        for (const PasswordElement& element : set) {
            PutU8(static_cast<uint8_t>(element.meter), cursor);
            for (int32_t password : element.triple) {
                PutU8(static_cast<uint8_t>(password), cursor);
            }
        }
    }
    EndRecord(start, size, cursor);
}

void CStpAreaCnt::WritePasswordTable(size_t& cursor) {
    const size_t size = PasswordTableSize(m_passwords.size());
    const size_t start = BeginRecord(SectionLabel(kPasswordSection, "PASSTBL"), size, cursor);
    PutU8(static_cast<uint8_t>(m_passwords.size()), cursor);
    for (const PasswordBytes& password : m_passwords) {
        PutBytes(password, cursor);
    }
    EndRecord(start, size, cursor);
}

void CStpAreaCnt::WriteTimeServer(const KeyMap& keys, const PasswordBytes& password,
                                  size_t& cursor) {
    size_t start = BeginRecord("TS_PARAM", kTimeServerParamSize, cursor);
    PutU8(static_cast<uint8_t>(keys.Get("TS_CHAN").GetSelection()), cursor);
    PutU8(static_cast<uint8_t>(keys.Get("TS_TYPE").GetSelection() - 1), cursor);
    EndRecord(start, kTimeServerParamSize, cursor);

    start = BeginRecord("TS_ADDR", kTimeServerAddressSize, cursor);
    PutU8(static_cast<uint8_t>(keys.Get("TS_ADDR").GetNumber()), cursor);
    EndRecord(start, kTimeServerAddressSize, cursor);

    const size_t size = PasswordTableSize(1);
    start = BeginRecord("TS_PASS", size, cursor);
    PutU8(1, cursor);
    PutBytes(password, cursor);
    EndRecord(start, size, cursor);
}

// A ticked journal option clears its bit.
void CStpAreaCnt::WriteMs744Poll(const KeyMap& keys, size_t& cursor) {
    struct Option {
        const char* key;
        uint8_t bit;
    };
    static constexpr Option kOptions[] = {
        {"CH1_MS744_REC", 0x40}, {"CH1_MS744_COOKIE", 0x20}, {"CH1_MS744_LAST", 0x10}};
    uint8_t flags = 0xFF;
    for (const Option& option : kOptions) {
        if (keys.Get(option.key).GetCheck() != 0) {
            flags &= static_cast<uint8_t>(~option.bit);
        }
    }
    const size_t start =
        BeginRecord(SectionLabel(kMs744Section, "POLL_CFG"), kMs744PollSize, cursor);
    PutU8(flags, cursor);
    PutU8(0xFF, cursor);
    EndRecord(start, kMs744PollSize, cursor);
}

// No selection is written as 0xFF, the selection -1 in one byte.
void CStpAreaCnt::WriteMs744Baud(const KeyMap& keys, size_t& cursor) {
    const size_t start =
        BeginRecord(SectionLabel(kMs744Section, "IFACE_BAUD"), kMs744BaudSize, cursor);
    PutU8(static_cast<uint8_t>(keys.Get("CH1_MS744_BAUD").GetSelection()), cursor);
    PutU8(0, cursor);
    EndRecord(start, kMs744BaudSize, cursor);
}

void CStpAreaCnt::WriteGroupItems(const MeterGroup& group, KeyMap& keys, size_t& cursor) {
    const MeterLayout& layout = kMeterLayouts[static_cast<size_t>(group.type)];
    WriteAddressTable(group, keys, cursor);
    if (layout.passwordBoxes > 0) {
        const size_t size = PasswordReferenceSize(group);
        const size_t start = BeginRecord(SectionLabel(group.code, "PASS_TBL"), size, cursor);
        PutU8(static_cast<uint8_t>(group.setIndexes.size()), cursor);
        for (int set : group.setIndexes) {
            PutU8(static_cast<uint8_t>(set), cursor);
        }
        EndRecord(start, size, cursor);
    }
    if (layout.correctionMask) {
        WriteMask(group, keys, "CORR_MSK", "AUTO_CORR", cursor);
    }
    if (layout.journalMasks) {
        WriteMask(group, keys, "POLL_MASK", "POLL", cursor);
        WriteMask(group, keys, "STAT_MASK", "STAT", cursor);
    }
}

void CStpAreaCnt::WriteAddressTable(const MeterGroup& group, KeyMap& keys, size_t& cursor) {
    const int width = kMeterLayouts[static_cast<size_t>(group.type)].addressWidth;
    const size_t size = AddressTableSize(group);
    const size_t start = BeginRecord(SectionLabel(group.code, "ADDR_TBL"), size, cursor);
    PutU8(static_cast<uint8_t>(group.count), cursor);
    for (int i = 0; i < group.count; ++i) {
        const int number = kMetersPerGroup * group.ordinal + i + 1;
        // The entry's range bounds the address to the width of its type.
        const uint32_t address = CheckedAddress(keys, group.channel, group.type, number);
        if (width == 1) {
            PutU8(static_cast<uint8_t>(address), cursor);
        } else if (width == 2) {
            PutU16(address, cursor);
        } else {
            PutU32(address, cursor);
        }
    }
    EndRecord(start, size, cursor);
}

void CStpAreaCnt::WriteMask(const MeterGroup& group, const KeyMap& keys, std::string_view name,
                            std::string_view box, size_t& cursor) {
    uint32_t mask = 0;
    for (int i = 0; i < group.count; ++i) {
        const int number = kMetersPerGroup * group.ordinal + i + 1;
        if (keys.Get(MeterKey(group.channel, group.type, number, box)).GetCheck() != 0) {
            mask |= uint32_t{1} << i;
        }
    }
    const size_t start = BeginRecord(SectionLabel(group.code, name), kMaskSize, cursor);
    PutU32(mask, cursor);
    EndRecord(start, kMaskSize, cursor);
}

}  // namespace quillon

// The meter area's frame: which sections it has, their directories, its size and the order in
// which Build writes the records.
#include "image/meter_area.h"

#include <cstdio>
#include <optional>

#include "image/meter_layout.h"
#include "settings/setup_failure.h"

namespace quillon {

namespace {

// A password set element and the byte count in front of each set.
constexpr size_t kElementSize = 4;

// The one-byte counts and indexes of the password set list and the password table. An area
// that needs more passes the 2048-byte limit of the meter area in any case.
constexpr size_t kMaxTableCount = 255;

}  // namespace

std::string SectionLabel(uint16_t section, std::string_view item) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(section));
    std::string label = "RAY_";
    label += hex;
    label += '_';
    label += item;
    return label;
}

CStpAreaCnt::Layout CStpAreaCnt::LayoutFor(const KeyMap& keys) const {
    Layout layout;
    layout.timeServer = TimeServerSelection(keys) > 0;
    layout.passwordTable = !m_passwords.empty();
    layout.passwordSection = layout.passwordTable || layout.timeServer;
    layout.ms744 = m_counts[1][kMeterMs744] > 0;
    return layout;
}

CStpAreaCnt::Directory CStpAreaCnt::SectionEntries(const Layout& layout) const {
    Directory entries;
    if (layout.passwordSection) {
        entries.emplace_back(kPasswordSection, SectionLabel(kPasswordSection, "DESCR"));
    }
    if (layout.ms744) {
        entries.emplace_back(kMs744Section, SectionLabel(kMs744Section, "DESCR"));
    }
    for (const MeterGroup& group : m_groups) {
        entries.emplace_back(group.code, SectionLabel(group.code, "DESCR"));
    }
    return entries;
}

CStpAreaCnt::Directory CStpAreaCnt::PasswordDirectory(const Layout& layout) {
    Directory entries;
    if (layout.passwordTable) {
        entries.emplace_back(kPasswordSetsItem, SectionLabel(kPasswordSection, "GROUPS"));
        entries.emplace_back(kPasswordTableItem, SectionLabel(kPasswordSection, "PASSTBL"));
    }
    if (layout.timeServer) {
        entries.emplace_back(kTimeServerParamItem, "TS_PARAM");
        entries.emplace_back(kTimeServerAddressItem, "TS_ADDR");
        entries.emplace_back(kTimeServerPasswordItem, "TS_PASS");
    }
    return entries;
}

CStpAreaCnt::Directory CStpAreaCnt::Ms744Directory() {
    return {{kMs744PollItem, SectionLabel(kMs744Section, "POLL_CFG")},
            {kMs744BaudItem, SectionLabel(kMs744Section, "IFACE_BAUD")}};
}

CStpAreaCnt::Directory CStpAreaCnt::GroupDirectory(const MeterGroup& group) {
    const MeterLayout& layout = kMeterLayouts[static_cast<size_t>(group.type)];
    Directory entries{{kAddressTableItem, SectionLabel(group.code, "ADDR_TBL")}};
    if (layout.passwordBoxes > 0) {
        entries.emplace_back(kPasswordReferenceItem, SectionLabel(group.code, "PASS_TBL"));
    }
    if (layout.correctionMask) {
        entries.emplace_back(kCorrectionMaskItem, SectionLabel(group.code, "CORR_MSK"));
    }
    if (layout.journalMasks) {
        entries.emplace_back(kPollMaskItem, SectionLabel(group.code, "POLL_MASK"));
        entries.emplace_back(kStatisticsMaskItem, SectionLabel(group.code, "STAT_MASK"));
    }
    return entries;
}

size_t CStpAreaCnt::PasswordSetsSize() const {
    size_t size = kRecordFrameSize + 1 + kElementSize * m_sets.size();
    for (const PasswordSet& set : m_sets) {
        size += 1 + kElementSize * set.size();
    }
    return size;
}

size_t CStpAreaCnt::PasswordTableSize(size_t passwords) {
    return kRecordFrameSize + 1 + std::tuple_size_v<PasswordBytes> * passwords;
}

size_t CStpAreaCnt::AddressTableSize(const MeterGroup& group) {
    const auto width =
        static_cast<size_t>(kMeterLayouts[static_cast<size_t>(group.type)].addressWidth);
    return kRecordFrameSize + 1 + width * static_cast<size_t>(group.count);
}

size_t CStpAreaCnt::PasswordReferenceSize(const MeterGroup& group) {
    return kRecordFrameSize + 1 + group.setIndexes.size();
}

size_t CStpAreaCnt::GroupItemsSize(const MeterGroup& group) {
    const MeterLayout& layout = kMeterLayouts[static_cast<size_t>(group.type)];
    size_t size = AddressTableSize(group);
    if (layout.passwordBoxes > 0) {
        size += PasswordReferenceSize(group);
    }
    if (layout.correctionMask) {
        size += kMaskSize;
    }
    if (layout.journalMasks) {
        size += 2 * kMaskSize;
    }
    return size;
}

size_t CStpAreaCnt::GetSize(const KeyMap& keys) const {
    const Layout layout = LayoutFor(keys);
    if (layout.timeServer) {
        CheckTimeServer(keys);
    }

    size_t size = kAreaFrameSize + OffsetTableSize(SectionEntries(layout).size());
    if (layout.passwordSection) {
        size += OffsetTableSize(PasswordDirectory(layout).size());
    }
    if (layout.ms744) {
        size += OffsetTableSize(Ms744Directory().size()) + kMs744PollSize;
    }
    // Written even without controllers; no offset then leads to it.
    size += kMs744BaudSize;
    for (const MeterGroup& group : m_groups) {
        size += OffsetTableSize(GroupDirectory(group).size());
    }
    if (layout.passwordTable) {
        size += PasswordSetsSize() + PasswordTableSize(m_passwords.size());
    }
    if (layout.timeServer) {
        size += kTimeServerParamSize + kTimeServerAddressSize + PasswordTableSize(1);
    }
    for (const MeterGroup& group : m_groups) {
        size += GroupItemsSize(group);
    }
    return size;
}

void CStpAreaCnt::CheckBuild(const KeyMap& keys) const {
    if (LayoutFor(keys).timeServer) {
        TimeServerPassword(keys);
    }
}

void CStpAreaCnt::Build(std::span<uint8_t> buffer, KeyMap& keys) {
    const size_t total = GetSize(keys);
    const Layout layout = LayoutFor(keys);
    std::optional<PasswordBytes> timeServerPassword;
    if (layout.timeServer) {
        timeServerPassword = TimeServerPassword(keys);
    }
    // The one-byte counts of the password tables cannot hold more. The check comes after the
    // password of the time server, whose format Build checks, and before anything is written.
    if (m_passwords.size() > kMaxTableCount || m_sets.size() > kMaxTableCount) {
        throw SetupFailure::FromUtf8(
            "Область настроек счетчиков слишком велика. Уменьшите кол-во уникальных паролей.");
    }

    size_t cursor = BeginArea(buffer, total);
    PutDirectory(SectionEntries(layout), cursor);
    if (layout.passwordSection) {
        ResolveLabel(cursor, SectionLabel(kPasswordSection, "DESCR"));
        PutDirectory(PasswordDirectory(layout), cursor);
    }
    if (layout.ms744) {
        ResolveLabel(cursor, SectionLabel(kMs744Section, "DESCR"));
        PutDirectory(Ms744Directory(), cursor);
        WriteMs744Poll(keys, cursor);
    }
    WriteMs744Baud(keys, cursor);
    for (const MeterGroup& group : m_groups) {
        ResolveLabel(cursor, SectionLabel(group.code, "DESCR"));
        PutDirectory(GroupDirectory(group), cursor);
    }
    if (layout.passwordTable) {
        WritePasswordSets(cursor);
        WritePasswordTable(cursor);
    }
    if (timeServerPassword) {
        WriteTimeServer(keys, *timeServerPassword, cursor);
    }
    for (const MeterGroup& group : m_groups) {
        WriteGroupItems(group, keys, cursor);
    }
    EndArea(cursor);
}

void CStpAreaCnt::PutDirectory(const Directory& entries, size_t& cursor) {
    std::vector<std::pair<uint16_t, std::string_view>> views(entries.begin(), entries.end());
    PutOffsetTable(views, cursor);
}

}  // namespace quillon

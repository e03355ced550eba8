#include "settings/channel_counts.h"

#include <string>

#include "settings/setup_failure.h"

namespace quillon {
namespace {

// Option index of the device-group list to served types. Channel 0's list lacks the
// "Контроллеры MS744" item, so from index 3 on its options sit one place earlier.
constexpr std::array<std::array<GroupTypes, 7>, kExchangeChannelCount> kGroupTypes = {{
    {{{},
      {kMeterM230, 3},
      {kMeterM200, 1},
      {kMeterM601, 1},
      {kMeterCe102, 1},
      {kMeterCe303, 1},
      {}}},
    {{{},
      {kMeterM230, 3},
      {kMeterM200, 1},
      {kMeterMs744, 1},
      {kMeterM601, 1},
      {kMeterCe102, 1},
      {kMeterCe303, 1}}},
}};

std::string ChannelKey(int channel, const char* name) {
    std::string key = "CH";
    key += std::to_string(channel);
    key += '_';
    key += name;
    return key;
}

}  // namespace

GroupTypes TypesOfGroup(int channel, int group) {
    if (channel < 0 || channel >= kExchangeChannelCount || group < 0 ||
        group >= static_cast<int>(kGroupTypes[0].size())) {
        return {};
    }
    return kGroupTypes[static_cast<size_t>(channel)][static_cast<size_t>(group)];
}

void ReadChannelCounts(const KeyMap& keys, ChannelCounts& counts) {
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        const CSetupEntry* group = keys.Find(ChannelKey(c, "GROUP"));
        if (group == nullptr || !group->IsValid()) {
            throw SetupFailure::FromUtf8("Неправильное поле \"Группа устройств\".");
        }
        const GroupTypes served = TypesOfGroup(c, group->GetSelection());

        auto& row = counts[static_cast<size_t>(c)];
        int64_t sum = 0;
        for (int t = 0; t < kMeterTypeCount; ++t) {
            int32_t count = 0;
            if (t >= served.first && t < served.first + served.count) {
                std::string key = ChannelKey(c, kMeterTypeTags[static_cast<size_t>(t)]);
                key += "_NUM";
                const CSetupEntry* entry = keys.Find(key);
                if (entry != nullptr && entry->IsValid()) {
                    count = static_cast<int32_t>(entry->GetNumber());
                }
            }
            row[static_cast<size_t>(t)] = count;
            sum += count;
        }
        if (sum > kMaxChannelMeters) {
            throw SetupFailure::FromUtf8("Кол-во устройств для канала " + std::to_string(c) +
                                         " превышает 128.");
        }
    }
}

}  // namespace quillon

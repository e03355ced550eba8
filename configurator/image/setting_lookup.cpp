#include "image/setting_lookup.h"

#include "image/area.h"

namespace quillon {

const CSetupEntry& FindSetting(const CSetupEntry& root, std::string_view key) {
    const CSetupEntry* entry = root.FindEntry(key);
    if (entry == nullptr) {
        throw AreaInternalError("setup area: no setting " + std::string(key) + " in the tree");
    }
    return *entry;
}

std::string ChannelKey(std::string_view prefix, std::string_view channel, std::string_view item) {
    std::string key(prefix);
    key += '_';
    key += channel;
    key += "_CHAN_";
    key += item;
    return key;
}

}  // namespace quillon

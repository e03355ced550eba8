// Settings that compile into valid areas, the areas built by the image builder, and setup
// files made of them as Save Setup writes them.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "image/external_area.h"
#include "image/flash_image.h"
#include "image/local_area.h"
#include "image/meter_area.h"
#include "inspect/area_format.h"
#include "settings/testing/temp_folder.h"
#include "settings/testing/tree_fixture.h"

namespace quillon::inspect::testing {

using Tree = quillon::testing::TreeFixture;

inline void SetChannel(Tree& tree, const std::string& prefix, int type, const char* sys,
                       const char* srv, const char* retry) {
    tree.Select(prefix + "TYPE", type)
        .Set(prefix + "SYS", sys)
        .Set(prefix + "SRV", srv)
        .Set(prefix + "TRY", retry);
}

// Local module: GID 0x1234, an Ethernet main channel and a modem reserve channel.
inline void SetLocal(Tree& tree) {
    tree.Set("LOC_GID", "4660");
    SetChannel(tree, "LOC_MAIN_CHAN_", 0, "sys", "srv", "3");
    tree.Set("LOC_MAIN_CHAN_IP", "192.168.0.10")
        .Set("LOC_MAIN_CHAN_GATE", "192.168.0.1")
        .Set("LOC_MAIN_CHAN_MASK", "255.255.255.0");
    SetChannel(tree, "LOC_RSV_CHAN_", 1, "резерв", "s2", "5");
    tree.Set("LOC_RSV_CHAN_APN", "internet");
}

// External module: GID 1, two Ethernet channels, both exchange channels unused.
inline void SetExternal(Tree& tree, const std::filesystem::path& schedule) {
    tree.Set("EXT_GID", "1");
    for (const char* channel : {"MAIN", "RSV"}) {
        const std::string prefix = std::string("EXT_") + channel + "_CHAN_";
        SetChannel(tree, prefix, 0, "s", "v", "t");
        tree.Set(prefix + "IP", "10.0.0.2")
            .Set(prefix + "GATE", "10.0.0.1")
            .Set(prefix + "MASK", "255.0.0.0");
    }
    tree.Select("CH0_GROUP", 0).Select("CH1_GROUP", 0);
    tree.Set("TIME_TABLE", schedule.string());
}

inline std::vector<uint8_t> BuildLocal(const Tree& tree) {
    CStpAreaLoc area;
    std::vector<uint8_t> bytes(area.GetSize(tree.Keys()));
    area.Build(bytes, tree.Keys());
    return bytes;
}

inline std::vector<uint8_t> BuildExternal(const Tree& tree) {
    CStpAreaExt area;
    std::vector<uint8_t> bytes(area.GetSize(tree.Keys()));
    area.Build(bytes, tree.Keys());
    return bytes;
}

// Prepare, GetSize and Build as Save Setup runs them.
inline std::vector<uint8_t> BuildMeter(Tree& tree) {
    CStpAreaCnt area;
    area.Prepare(tree.Keys());
    std::vector<uint8_t> bytes(area.GetSize(tree.Keys()));
    area.Build(bytes, tree.Keys());
    return bytes;
}

// Meter `number` of a type on a channel: its network address and, for types with passwords,
// the same text in every password box.
inline void SetMeter(Tree& tree, const std::string& prefix, int number, const char* address,
                     const char* password = nullptr, int boxes = 3) {
    const std::string key = prefix + "_" + std::to_string(number);
    tree.Set(key + "_NA", address);
    for (int box = 0; password != nullptr && box < boxes; ++box) {
        tree.SetPassword(key + "_PASS", box, password);
    }
}

// The S-record text of the areas placed at their flash addresses, as Save Setup writes it.
inline std::string SetupFileText(
    const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& areas) {
    CFlashImage image;
    for (const auto& [base, bytes] : areas) {
        image.Seek(base);
        image.Write(bytes);
    }
    std::ostringstream text;
    image.WriteSRecords(text, false);
    return text.str();
}

// A scratch folder removed with the fixture, with a shorthand to write a file into it.
class ScratchFolder {
public:
    const std::filesystem::path& Path() const { return m_folder.Path(); }

    std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
        const auto path = Path() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    quillon::testing::TempFolder m_folder;
};

}  // namespace quillon::inspect::testing

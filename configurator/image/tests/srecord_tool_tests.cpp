// The S-record output checked by SRecord's srec_cmp and srec_info, which verify every checksum
// and address on their own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/flash_image.h"
#include "settings/testing/temp_folder.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSrecCmp = QB_SREC_CMP;
constexpr const char* kSrecInfo = QB_SREC_INFO;

class SRecordTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(kSrecCmp).empty() || std::string(kSrecInfo).empty()) {
            FAIL() << "srec_cmp or srec_info was not found when the build was configured: "
                      "install the Debian package srecord (tools/deps.sh does) and configure "
                      "again";
        }
        ASSERT_FALSE(m_folder.Path().empty());
    }

    fs::path WriteFile(const std::string& name, const std::string& bytes) {
        const fs::path path = m_folder / name;
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good());
        return path;
    }

    fs::path WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        return WriteFile(name, std::string(bytes.begin(), bytes.end()));
    }

    static std::string Quoted(const fs::path& path) {
        return std::string("'").append(path.string()).append("'");
    }

    static std::string Run(const std::string& command, int& status) {
        std::string output;
        FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
        if (pipe == nullptr) {
            status = -1;
            return output;
        }
        char chunk[256];
        size_t count;
        while ((count = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
            output.append(chunk, count);
        }
        status = pclose(pipe);
        return output;
    }

    testing::TempFolder m_folder;
};

std::vector<uint8_t> Pattern(size_t count, uint8_t seed) {
    std::vector<uint8_t> bytes(count);
    uint8_t value = seed;
    for (uint8_t& byte : bytes) {
        byte = value;
        value = static_cast<uint8_t>(value * 37 + 11);
    }
    return bytes;
}

// Our files begin every line with ':'; SRecord reads the standard 'S'.
std::string WithSMarker(std::string text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ':' && (i == 0 || text[i - 1] == '\n')) {
            text[i] = 'S';
        }
    }
    return text;
}

TEST_F(SRecordTool, ConfirmsTheChecksumsAndAddressesOfASetupImage) {
    // The meter and external areas as Save Setup places them; the external area fills its
    // 2048 bytes, so the local area continues its segment.
    const std::vector<uint8_t> meter = Pattern(301, 1);
    const std::vector<uint8_t> external = Pattern(2048, 2);
    const std::vector<uint8_t> local = Pattern(165, 3);
    CFlashImage image;
    image.Seek(0x3E800);
    image.Write(meter);
    image.Seek(0x3F000);
    image.Write(external);
    image.Seek(0x3F800);
    image.Write(local);
    std::ostringstream out;
    image.WriteSRecords(out, false);
    ASSERT_EQ(out.str().substr(0, 2), ":3");

    const fs::path setup = WriteFile("loc_.s19", WithSMarker(out.str()));
    const std::string references =
        "'(' " + Quoted(WriteFile("meter.bin", meter)) + " -binary -offset 0x3E800 " +
        Quoted(WriteFile("external.bin", external)) + " -binary -offset 0x3F000 " +
        Quoted(WriteFile("local.bin", local)) + " -binary -offset 0x3F800 ')'";
    int status = 0;
    Run(std::string(kSrecCmp) + " " + Quoted(setup) + " " + references, status);
    EXPECT_EQ(status, 0) << "srec_cmp finds the file differs from the areas";

    const std::string info = Run(std::string(kSrecInfo) + " " + Quoted(setup), status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(info.find("03E800 - 03E92C"), std::string::npos) << info;
    EXPECT_NE(info.find("03F000 - 03F8A4"), std::string::npos) << info;

    // A single changed digit must be caught by the tool, or the comparison above proves nothing.
    std::string damaged = WithSMarker(out.str());
    damaged[20] = damaged[20] == '0' ? '1' : '0';
    const fs::path broken = WriteFile("broken.s19", damaged);
    Run(std::string(kSrecCmp) + " " + Quoted(broken) + " " + references, status);
    EXPECT_NE(status, 0);
}

}  // namespace
}  // namespace quillon

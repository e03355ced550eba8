// quillon --dump over whole setup files: sound files exit 0, every damaged copy names the
// address of the damage and exits 1.
#include "inspect/setup_dump.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "area_bytes.h"
#include "setup_fixture.h"

namespace quillon::inspect {
namespace {

constexpr uint32_t kMeterBase = 0x3E800;
constexpr uint32_t kExternalBase = 0x3F000;
constexpr uint32_t kLocalBase = 0x3F800;

std::string Describe(const SetupFileReport& report) {
    std::ostringstream text;
    PrintSetupReport(report, "test", text);
    return text.str();
}

std::set<uint32_t> Addresses(const SetupFileReport& report) {
    std::set<uint32_t> addresses;
    for (const SetupProblem& problem : report.problems) {
        addresses.insert(problem.address.value_or(0));
    }
    return addresses;
}

class DumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::SetLocal(m_tree);
        testing::SetExternal(m_tree, m_folder.Write("schedule.bin", "\x01\x02\x03"));
        m_meter = testing::TwoMeterArea();
        m_external = testing::BuildExternal(m_tree);
        m_local = testing::BuildLocal(m_tree);
    }

    std::string File() const {
        return testing::SetupFileText(
            {{kMeterBase, m_meter}, {kExternalBase, m_external}, {kLocalBase, m_local}});
    }

    int Dump(const std::string& content, std::string& out, std::string& err) const {
        std::ostringstream outStream, errStream;
        const int status =
            DumpSetupFile(m_folder.Write("dump.s19", content).string(), outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    testing::ScratchFolder m_folder;
    testing::Tree m_tree;
    std::vector<uint8_t> m_meter, m_external, m_local;
};

TEST_F(DumpTest, ASoundFileExitsZeroWithEveryAreaDecoded) {
    std::string out, err;
    EXPECT_EQ(Dump(File(), out, err), 0) << out;
    EXPECT_EQ(err, "");
    EXPECT_NE(out.find("Область настроек счетчиков, 0x0003E800"), std::string::npos);
    EXPECT_NE(out.find("Область настроек коммуникатора, 0x0003F000"), std::string::npos);
    EXPECT_NE(out.find("Область локальных настроек коммуникатора, 0x0003F800"), std::string::npos);
    EXPECT_TRUE(out.ends_with("Проблем не найдено.\n")) << out;
}

TEST_F(DumpTest, ReadsTheSameFileWithSLinesAndLfLineEnds) {
    std::string text = File();
    std::string converted;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            continue;
        }
        converted += (text[i] == ':' ? 'S' : text[i]);
    }
    std::string out, err;
    EXPECT_EQ(Dump(converted, out, err), 0) << out;
}

TEST_F(DumpTest, ReportsEveryDamagedCopyAtTheAddressOfTheDamage) {
    const size_t localEnd = m_local.size() - 2;
    const struct {
        const char* name;
        std::function<void(std::vector<uint8_t>& meter, std::vector<uint8_t>& external,
                           std::vector<uint8_t>& local)>
            damage;
        std::set<uint32_t> expected;
    } cases[] = {
        {"a flipped byte in a record",
         [](auto& meter, auto&, auto&) { meter[124] ^= 0x01; },
         {kMeterBase + 121, kMeterBase + 142}},
        {"a flipped byte in a checksum",
         [](auto&, auto&, auto& local) { local[61] ^= 0x10; },
         {kLocalBase + 54, static_cast<uint32_t>(kLocalBase + localEnd)}},
        {"a flipped byte in an offset",
         [](auto& meter, auto&, auto&) { meter[69] ^= 0x0F; },
         {kMeterBase + 60, kMeterBase + 66, kMeterBase + 121, kMeterBase + 142}},
        {"a truncated area",
         [](auto&, auto&, auto& local) { local.resize(100); },
         {kLocalBase + 42, kLocalBase + 48, kLocalBase + 63, kLocalBase + 100}},
        {"a missing area", [](auto&, auto& external, auto&) { external.clear(); }, {kExternalBase}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto meter = m_meter, external = m_external, local = m_local;
        c.damage(meter, external, local);
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> areas;
        for (const auto& [base, bytes] : {std::pair{kMeterBase, meter}, std::pair{kExternalBase, external},
                                          std::pair{kLocalBase, local}}) {
            if (!bytes.empty()) {
                areas.emplace_back(base, bytes);
            }
        }
        const std::string text = testing::SetupFileText(areas);
        const SetupFileReport report = InspectSetupFile(text);
        EXPECT_EQ(Addresses(report), c.expected) << Describe(report);
        std::string out, err;
        EXPECT_EQ(Dump(text, out, err), 1);
    }
}

TEST_F(DumpTest, ReportsBadLinesDuplicatedAreasAndBytesOutsideTheAreasByLineAndAddress) {
    const std::string file = File();
    const size_t secondLine = file.find('\n') + 1;
    std::string flipped = file;
    flipped[secondLine + 20] = flipped[secondLine + 20] == '0' ? '1' : '0';
    const std::string localLines = file.substr(file.find(":3250003F800"));

    const struct {
        const char* name;
        std::string text;
        size_t line;
        std::optional<uint32_t> address;
        const char* words;
    } cases[] = {
        {"a flipped hex digit", flipped, 2, std::nullopt, "контрольная сумма S-записи"},
        {"the local area twice", file + localLines, 0, kLocalBase, "уже заданы"},
        {"bytes outside the areas", file + ":3060000100000E9\r\n", 0, 0x1000u,
         "вне областей настроек"},
        {"a header line", "S00600004844521B\r\n" + file, 0, std::nullopt, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SetupFileReport report = InspectSetupFile(c.text);
        if (c.words == nullptr) {
            EXPECT_TRUE(report.problems.empty()) << Describe(report);
            EXPECT_EQ(report.file.notes.size(), 1u);
            continue;
        }
        ASSERT_FALSE(report.problems.empty());
        const SetupProblem& first = report.problems.front();
        if (c.line != 0) {
            EXPECT_EQ(first.line, c.line);
        }
        if (c.address) {
            EXPECT_EQ(first.address, c.address);
        }
        EXPECT_NE(first.text.find(c.words), std::string::npos) << Describe(report);
    }
}

TEST_F(DumpTest, NamesAFileItCannotReadOnTheErrorStream) {
    std::ostringstream out, err;
    const auto missing = (m_folder.Path() / "missing.s19").string();
    EXPECT_EQ(DumpSetupFile(missing, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Не удается открыть файл " + missing + ".\n");
    std::ostringstream out2, err2;
    EXPECT_EQ(DumpSetupFile(m_folder.Path().string(), out2, err2), 1);
    EXPECT_NE(err2.str(), "");
}

}  // namespace
}  // namespace quillon::inspect

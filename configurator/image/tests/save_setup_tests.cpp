// "Save Setup": the compile order, the size limits, the output file and its failures, over
// scripted areas where sizes matter and over the real areas for a whole site.
#include "image/save_setup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "image/external_area.h"
#include "settings/ini_file.h"
#include "settings/setup_failure.h"
#include "settings/testing/scripted_dialogs.h"
#include "settings/testing/temp_folder.h"
#include "settings/testing/tree_fixture.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::ScriptedDialogs;
using testing::TempFolder;
using testing::TreeFixture;
using testing::WriteBytes;

constexpr std::string_view kExternalTooLarge =
    "Область настроек коммуникатора слишком велика. Уменьшите таблицу расписания.";
constexpr std::string_view kMeterTooLarge =
    "Область настроек счетчиков слишком велика. Уменьшите кол-во уникальных паролей.";
constexpr std::string_view kLocalTooLarge =
    "Область локальных настроек коммуникатора слишком велика. Уменьшите таблицу расписания.";

// An area of a chosen size filled with one byte value, or one whose check in GetSize or in its
// build fails; it records every call in a shared log.
class ScriptedArea final : public SetupAreaCompiler {
public:
    ScriptedArea(std::string name, size_t size, uint8_t fill, std::vector<std::string>& log)
        : m_name(std::move(name)), m_size(size), m_fill(fill), m_log(log) {}

    std::optional<std::string> failure;
    std::optional<std::string> buildFailure;

    size_t GetSize(KeyMap&) override {
        m_log.push_back(m_name + " GetSize");
        if (failure) {
            throw SetupFailure::FromUtf8(*failure);
        }
        return m_size;
    }
    void Build(std::span<uint8_t> buffer, KeyMap&) override {
        m_log.push_back(m_name + " Build " + std::to_string(buffer.size()));
        if (buildFailure) {
            throw SetupFailure::FromUtf8(*buildFailure);
        }
        std::fill(buffer.begin(), buffer.end(), m_fill);
    }
    void CheckBuild(KeyMap&) override {
        m_log.push_back(m_name + " CheckBuild");
        if (buildFailure) {
            throw SetupFailure::FromUtf8(*buildFailure);
        }
    }

private:
    std::string m_name;
    size_t m_size;
    uint8_t m_fill;
    std::vector<std::string>& m_log;
};

class SaveSetup : public ::testing::Test {
protected:
    // External, meter and local areas of the given sizes, in the compile order.
    void UseAreas(size_t external, size_t meter, size_t local) {
        m_areas.clear();
        m_log.clear();
        Add("external", external, 0xE0, kExternalAreaAddress, kExternalTooLarge);
        Add("meter", meter, 0xC0, kMeterAreaAddress, kMeterTooLarge);
        Add("local", local, 0x10, kLocalAreaAddress, kLocalTooLarge);
    }

    ScriptedArea& Area(size_t i) { return static_cast<ScriptedArea&>(*m_areas[i].area); }

    void Run() { RunSaveSetupCommand(m_tree.Keys(), m_dialogs, m_areas); }

    TreeFixture m_tree;
    ScriptedDialogs m_dialogs;
    TempFolder m_folder;
    std::vector<SetupAreaSlot> m_areas;
    std::vector<std::string> m_log;

private:
    void Add(const char* name, size_t size, uint8_t fill, uint32_t address,
             std::string_view tooLarge) {
        m_areas.push_back(
            {std::make_unique<ScriptedArea>(name, size, fill, m_log), address, tooLarge});
    }
};

TEST_F(SaveSetup, WritesTheAreasAsRecordsAtTheirAddressesInAddressOrder) {
    m_areas.clear();
    m_log.clear();
    struct Bytes final : SetupAreaCompiler {
        explicit Bytes(std::vector<uint8_t> b) : bytes(std::move(b)) {}
        size_t GetSize(KeyMap&) override { return bytes.size(); }
        void Build(std::span<uint8_t> buffer, KeyMap&) override {
            std::copy(bytes.begin(), bytes.end(), buffer.begin());
        }
        void CheckBuild(KeyMap&) override {}
        std::vector<uint8_t> bytes;
    };
    m_areas.push_back({std::make_unique<Bytes>(std::vector<uint8_t>{0xAA, 0xBB}),
                       kExternalAreaAddress, kExternalTooLarge});
    m_areas.push_back({std::make_unique<Bytes>(std::vector<uint8_t>{1, 2, 3}), kMeterAreaAddress,
                       kMeterTooLarge});
    m_areas.push_back(
        {std::make_unique<Bytes>(std::vector<uint8_t>{0x5A}), kLocalAreaAddress, kLocalTooLarge});
    m_dialogs.Answer(m_folder / "loc_.s19");
    Run();
    EXPECT_TRUE(m_dialogs.Messages().empty());
    EXPECT_EQ(ReadBytes(m_folder / "loc_.s19"),
              ":3080003E80001020306\r\n"
              ":3070003F000AABBA0\r\n"
              ":3060003F8005AA4\r\n");
}

TEST_F(SaveSetup, AcceptsEachAreaAtExactly2048BytesAndRefuses2049WithItsMessage) {
    const std::string_view messages[] = {kExternalTooLarge, kMeterTooLarge, kLocalTooLarge};
    for (size_t i = 0; i < 3; ++i) {
        for (size_t size : {size_t{2048}, size_t{2049}}) {
            std::vector<size_t> sizes = {100, 200, 300};
            sizes[i] = size;
            UseAreas(sizes[0], sizes[1], sizes[2]);
            const fs::path out =
                m_folder / ("area" + std::to_string(i) + "_" + std::to_string(size) + ".s19");
            ScriptedDialogs dialogs;
            dialogs.Answer(out);
            RunSaveSetupCommand(m_tree.Keys(), dialogs, m_areas);
            const std::string what = "area " + std::to_string(i) + " of " + std::to_string(size);
            if (size == 2048) {
                EXPECT_TRUE(dialogs.Messages().empty()) << what;
                EXPECT_TRUE(fs::exists(out)) << what;
                continue;
            }
            EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{std::string(messages[i])})
                << what;
            EXPECT_TRUE(dialogs.Questions().empty()) << what << ": asked for a file";
            EXPECT_FALSE(fs::exists(out)) << what;
            // The area was built completely before its size was refused; later ones never ran.
            const char* const names[] = {"external", "meter", "local"};
            EXPECT_EQ(m_log.back(), std::string(names[i]) + " Build 2049") << what;
        }
    }
}

TEST_F(SaveSetup, AFullMeterAreaRunsOnIntoTheExternalAreaWithoutABreak) {
    UseAreas(70, 2048, 5);
    m_dialogs.Answer(m_folder / "loc_.s19");
    Run();
    const std::string file = ReadBytes(m_folder / "loc_.s19");
    // 64 full records of the meter area, then the external area's 70 bytes from 0x3F000.
    EXPECT_NE(file.find("\r\n:3250003F000E0E0"), std::string::npos);
    EXPECT_NE(file.find("\r\n:30B0003F040E0E0E0E0E0E0"), std::string::npos);
    EXPECT_NE(file.find("\r\n:30A0003F8001010101010"), std::string::npos);
    EXPECT_EQ(file.find(":3"), 0u);
    size_t lines = 0;
    for (char c : file) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 64u + 3u + 1u);
}

TEST_F(SaveSetup, RefusesAnAreaTooLargeToFrameWithoutBuildingItAfterTheChecksOfItsBuild) {
    UseAreas(100, 70000, 100);
    Run();
    EXPECT_EQ(m_dialogs.Messages(), std::vector<std::string>{std::string(kMeterTooLarge)});
    EXPECT_EQ(m_log, (std::vector<std::string>{"external GetSize", "external Build 100",
                                               "meter GetSize", "meter CheckBuild"}));

    // A failure the build reports comes before the size, as for an area that is built.
    for (const size_t size : {size_t{3000}, size_t{70000}}) {
        SCOPED_TRACE(size);
        UseAreas(100, size, 100);
        Area(1).buildFailure = "Неправильный пароль сервера времени.";
        Run();
        EXPECT_EQ(m_dialogs.Messages().back(), "Неправильный пароль сервера времени.");
        EXPECT_EQ(m_log.back(), size == 3000 ? "meter Build 3000" : "meter CheckBuild");
    }
    EXPECT_TRUE(m_dialogs.Questions().empty());
}

TEST_F(SaveSetup, ShowsOnlyTheFirstFailureInCompileOrder) {
    UseAreas(100, 100, 100);
    Area(0).failure = "Неправильное поле \"GID\"";
    Area(1).failure = "ошибка счетчиков";
    Run();
    EXPECT_EQ(m_dialogs.Messages(), std::vector<std::string>{"Неправильное поле \"GID\""});
    EXPECT_EQ(m_log, std::vector<std::string>{"external GetSize"});

    UseAreas(3000, 100, 100);
    Area(1).failure = "ошибка счетчиков";
    Run();
    EXPECT_EQ(m_dialogs.Messages().back(), kExternalTooLarge);
    EXPECT_EQ(m_log, (std::vector<std::string>{"external GetSize", "external Build 3000"}));

    UseAreas(100, 100, 100);
    Area(1).failure = "ошибка счетчиков";
    Run();
    EXPECT_EQ(m_dialogs.Messages().back(), "ошибка счетчиков");
    EXPECT_EQ(m_log.back(), "meter GetSize");
    EXPECT_TRUE(m_dialogs.Questions().empty());
    EXPECT_TRUE(m_folder.Names().empty());
}

TEST_F(SaveSetup, ProposesLoc_s19InTheCurrentFolderAndWritesNothingWhenCancelled) {
    UseAreas(100, 100, 100);
    const fs::path before = fs::current_path();
    fs::current_path(m_folder.Path());
    Run();
    fs::current_path(before);
    EXPECT_EQ(m_dialogs.Questions(), std::vector<std::string>{"save"});
    EXPECT_EQ(m_dialogs.LastInitialPath(), m_folder.Path() / "loc_.s19");
    EXPECT_EQ(m_dialogs.LastFilters(),
              (std::vector<std::string>{"S-Record files (*.s19)|*.s19", "All Files (*.*)|*.*"}));
    EXPECT_TRUE(m_dialogs.Messages().empty());
    EXPECT_TRUE(m_folder.Names().empty());
}

TEST_F(SaveSetup, ProposesTheWholeCurrentFolderHoweverLong) {
    fs::path deep = m_folder.Path();
    for (int i = 0; i < 6; ++i) {
        deep /= std::string(60, static_cast<char>('a' + i));
    }
    fs::create_directories(deep);
    ASSERT_GT(deep.string().size(), 360u);
    const fs::path before = fs::current_path();
    fs::current_path(deep);
    const fs::path proposed = DefaultSetupPath();
    fs::current_path(before);
    EXPECT_EQ(proposed, deep / "loc_.s19");
}

TEST_F(SaveSetup, AFolderThatCannotBeWrittenGivesTheMessageWithThePathAndTouchesNothing) {
    UseAreas(100, 100, 100);
    const fs::path missing = m_folder / "нет такой папки" / "loc_.s19";
    m_dialogs.Answer(missing);
    Run();
    EXPECT_EQ(m_dialogs.Messages(),
              std::vector<std::string>{"Не удается открыть файл " + missing.string() + "."});
    EXPECT_TRUE(m_folder.Names().empty());

    if (testing::RunsAsRoot()) {
        return;  // permission bits do not stop root
    }
    fs::create_directory(m_folder / "locked");
    fs::permissions(m_folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    m_dialogs.Answer(m_folder / "locked" / "loc_.s19");
    Run();
    EXPECT_EQ(m_dialogs.Messages().back(),
              "Не удается открыть файл " + (m_folder / "locked" / "loc_.s19").string() + ".");
    EXPECT_TRUE(fs::is_empty(m_folder / "locked"));
}

// Limits the size of any file this process writes, so that a write fails part way even for
// root; SIGXFSZ is ignored so that the write reports EFBIG instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    sighandler_t m_handler;
};

TEST_F(SaveSetup, AWriteThatFailsPartWayLeavesTheExistingFileAsItWas) {
    UseAreas(1000, 1000, 1000);
    const fs::path out = m_folder / "loc_.s19";
    WriteBytes(out, ":3080003E80001020306\r\n");
    m_dialogs.Answer(out);
    {
        const FileSizeLimit limit(512);
        Run();
    }
    EXPECT_EQ(m_dialogs.Messages(),
              std::vector<std::string>{"Не удается открыть файл " + out.string() + "."});
    EXPECT_EQ(ReadBytes(out), ":3080003E80001020306\r\n");
    EXPECT_EQ(m_folder.Names(), std::vector<std::string>{"loc_.s19"});

    // A settings failure never reaches the file either.
    UseAreas(100, 100, 100);
    Area(2).failure = "ошибка";
    m_dialogs.Answer(out);
    Run();
    EXPECT_EQ(ReadBytes(out), ":3080003E80001020306\r\n");
}

TEST(StandardSetupAreas, CompilesExternalThenMeterThenLocalWithTheirAddressesAndMessages) {
    const std::vector<SetupAreaSlot> areas = StandardSetupAreas();
    ASSERT_EQ(areas.size(), 3u);
    EXPECT_EQ(areas[0].address, 0x3F000u);
    EXPECT_EQ(areas[0].tooLarge, kExternalTooLarge);
    EXPECT_EQ(areas[1].address, 0x3E800u);
    EXPECT_EQ(areas[1].tooLarge, kMeterTooLarge);
    EXPECT_EQ(areas[2].address, 0x3F800u);
    EXPECT_EQ(areas[2].tooLarge, kLocalTooLarge);
}

// The example site of examples/, whose schedule file is named relative to the repository.
class SiteSetup : public ::testing::Test {
protected:
    void SetUp() override {
        m_before = fs::current_path();
        fs::current_path(QB_SOURCE_DIR);
        LoadIniFile("examples/site.ini", m_tree.Keys());
    }
    void TearDown() override { fs::current_path(m_before); }

    static std::string Run(const std::string& command, int& status) {
        std::string output;
        FILE* pipe = popen((command + " 2>&1").c_str(), "r");
        char chunk[256];
        size_t count;
        while (pipe != nullptr && (count = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
            output.append(chunk, count);
        }
        status = pipe == nullptr ? -1 : pclose(pipe);
        return output;
    }

    TreeFixture m_tree;
    TempFolder m_folder;
    ScriptedDialogs m_dialogs;
    fs::path m_before;
};

TEST_F(SiteSetup, CompilesIntoAFileThatSRecordReadsAtTheThreeAddresses) {
    m_dialogs.Answer(m_folder / "loc_.s19");
    RunSaveSetupCommand(m_tree.Keys(), m_dialogs);
    ASSERT_EQ(m_dialogs.Messages(), std::vector<std::string>{});
    const std::string file = ReadBytes(m_folder / "loc_.s19");

    // The bytes of the file by address, read back from its records.
    std::map<uint32_t, uint8_t> bytes;
    std::istringstream lines(file);
    std::string line;
    while (std::getline(lines, line)) {
        ASSERT_EQ(line.substr(0, 2), ":3");
        ASSERT_EQ(line.back(), '\r');
        const size_t count = std::stoul(line.substr(2, 2), nullptr, 16) - 5;
        const auto address = static_cast<uint32_t>(std::stoul(line.substr(4, 8), nullptr, 16));
        for (uint32_t i = 0; i < count; ++i) {
            bytes[address + i] =
                static_cast<uint8_t>(std::stoul(line.substr(12 + 2 * i, 2), nullptr, 16));
        }
    }
    std::string marked = file;
    for (size_t i = 0; i < marked.size(); ++i) {
        if (marked[i] == ':' && (i == 0 || marked[i - 1] == '\n')) {
            marked[i] = 'S';
        }
    }
    WriteBytes(m_folder / "marked.s19", marked);
    int status = 0;
    const std::string info =
        Run(std::string(QB_SREC_INFO) + " '" + (m_folder / "marked.s19").string() + "'", status);
    EXPECT_EQ(status, 0) << info;

    // Each area begins with the signature and its 16-bit total, and SRecord finds exactly that
    // many bytes there.
    for (const uint32_t base : {kMeterAreaAddress, kExternalAreaAddress, kLocalAreaAddress}) {
        const std::vector<uint8_t> signature = {0xAF, 0xEB, 0x8A, 0x8E, 0xDE, 0x10, 0x44, 0xE1,
                                                0xA3, 0x50, 0xC7, 0x5A, 0xA0, 0x5D, 0x52, 0xAA};
        for (uint32_t i = 0; i < signature.size(); ++i) {
            ASSERT_EQ(bytes[base + i], signature[i]) << std::hex << base;
        }
        const uint32_t total = uint32_t{bytes[base + 16]} << 8 | bytes[base + 17];
        EXPECT_LE(total, 2048u);
        char range[32];
        std::snprintf(range, sizeof range, "%06X - %06X", base, base + total - 1);
        EXPECT_NE(info.find(range), std::string::npos) << range << " in\n" << info;
    }
    EXPECT_EQ(bytes.size(),
              bytes[kMeterAreaAddress + 17] + 256u * bytes[kMeterAreaAddress + 16] +
                  bytes[kExternalAreaAddress + 17] + 256u * bytes[kExternalAreaAddress + 16] +
                  bytes[kLocalAreaAddress + 17] + 256u * bytes[kLocalAreaAddress + 16]);
}

TEST_F(SiteSetup, AScheduleFileThatMakesTheExternalAreaTooLargeIsReportedAsSuch) {
    CStpAreaExt external;
    const size_t siteSize = external.GetSize(m_tree.Keys());
    const size_t scheduleSize = fs::file_size("examples/schedule.bin");
    const size_t fits = scheduleSize + (2048 - siteSize);

    WriteBytes(m_folder / "fits.bin", std::string(fits, '\x5A'));
    m_tree.Set("TIME_TABLE", (m_folder / "fits.bin").string());
    ASSERT_EQ(CStpAreaExt().GetSize(m_tree.Keys()), 2048u) << "the schedule does not add 1:1";
    m_dialogs.Answer(m_folder / "fits.s19");
    RunSaveSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Messages(), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(m_folder / "fits.s19"));

    WriteBytes(m_folder / "big.bin", std::string(fits + 1, '\x5A'));
    m_tree.Set("TIME_TABLE", (m_folder / "big.bin").string());
    m_dialogs.Answer(m_folder / "big.s19");
    RunSaveSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Messages(), std::vector<std::string>{std::string(kExternalTooLarge)});
    EXPECT_FALSE(fs::exists(m_folder / "big.s19"));
}

// An area too large for its 16-bit total is not built, yet a failure its build reports comes
// first: an empty TIME_TABLE gives the open message, not the size message.
TEST_F(SiteSetup, AnAreaTooLargeToFrameReportsTheChecksOfItsBuildFirst) {
    m_tree.Set("EXT_MAIN_CHAN_SYS", std::string(65600, 's'));
    m_dialogs.Answer(m_folder / "big.s19");
    RunSaveSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Messages(), std::vector<std::string>{std::string(kExternalTooLarge)});

    m_tree.Set("TIME_TABLE", "");
    RunSaveSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Messages().back(), "Не удается открыть файл с таблицей расписания.");
    EXPECT_TRUE(m_dialogs.Questions().empty());
    EXPECT_TRUE(m_folder.Names().empty());
}

}  // namespace
}  // namespace quillon

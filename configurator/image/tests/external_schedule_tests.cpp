// The schedule table record and the schedule file it copies.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "external_area_fixture.h"
#include "image/external_area.h"
#include "image/schedule_file.h"

namespace quillon {
namespace {

using testing::HexBytes;
using testing::RecordOf;
using testing::TempFolder;
using testing::ToHex;

// Two Ethernet channels with one-character texts and no exchange channel in use, without the
// schedule record.
constexpr size_t kAreaWithoutSchedule = 265;

class ExternalSchedule : public testing::ExternalAreaTest {
protected:
    // Sizes the area, lets the change happen, then builds into a buffer of the measured size
    // and returns the failure's message; the buffer and the guard behind it stay untouched.
    std::string FailureAfterSizing(const std::function<void()>& change) {
        CStpAreaExt area;
        const size_t size = area.GetSize(m_tree.Keys());
        change();
        std::vector<uint8_t> buffer(size + kGuard, 0xCC);
        std::string message = "no failure";
        try {
            area.Build(std::span(buffer).first(size), m_tree.Keys());
        } catch (const SetupFailure& failure) {
            message = failure.Message();
        }
        EXPECT_EQ(buffer, std::vector<uint8_t>(size + kGuard, 0xCC));
        return message;
    }
};

TEST_F(ExternalSchedule, CopiesTheWholeFileByteForByte) {
    std::vector<uint8_t> table(100);
    for (size_t i = 0; i < table.size(); ++i) {
        table[i] = static_cast<uint8_t>(i);
    }
    testing::WriteFile(m_schedule, table);
    const std::vector<uint8_t> area = Build();
    EXPECT_EQ(area.size(), kAreaWithoutSchedule + 104);

    std::vector<uint8_t> expected = HexBytes("00 68");
    expected.insert(expected.end(), table.begin(), table.end());
    expected.push_back(0x66);
    expected.push_back(0x73);
    EXPECT_EQ(ToHex(RecordOf(area, testing::kScheduleId)), ToHex(expected));
}

TEST_F(ExternalSchedule, OpensANameWithCyrillicLettersAsTheFileSystemSpellsIt) {
    const std::filesystem::path folder = m_folder / "расписание";
    std::filesystem::create_directory(folder);
    testing::WriteFile(folder / "т.bin", {0xAB});
    m_tree.Set("TIME_TABLE", (folder / "т.bin").string());
    EXPECT_EQ(ToHex(RecordOf(Build(), testing::kScheduleId)), "00 05 AB 33 2F");
}

TEST_F(ExternalSchedule, RefusesANameThatDoesNotLeadToARegularFile) {
    std::filesystem::create_directory(m_folder / "folder");
    const struct {
        std::filesystem::path name;
        std::string message;
    } cases[] = {
        {m_folder / "missing.bin", testing::kCannotOpenSchedule},
        {m_folder / "folder", testing::kCannotOpenSchedule},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.string());
        m_tree.Set("TIME_TABLE", c.name.string());
        EXPECT_EQ(Failure(), c.message);
    }
}

TEST_F(ExternalSchedule, CopiesAnEmptyFileAsARecordWithoutPayload) {
    testing::WriteFile(m_folder / "empty.bin", {});
    m_tree.Set("TIME_TABLE", (m_folder / "empty.bin").string());
    EXPECT_EQ(ToHex(RecordOf(Build(), testing::kScheduleId)), "00 04 00 73");
}

TEST_F(ExternalSchedule, RefusesAFileItMayNotRead) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "the superuser reads every file";
    }
    std::filesystem::permissions(m_schedule, std::filesystem::perms::none);
    EXPECT_EQ(Failure(), testing::kCannotOpenSchedule);
}

TEST_F(ExternalSchedule, SizesNoRecordForAnEmptyNameButFailsTheBuild) {
    m_tree.Set("TIME_TABLE", "");
    CStpAreaExt area;
    EXPECT_EQ(area.GetSize(m_tree.Keys()), kAreaWithoutSchedule);
    EXPECT_EQ(Failure(), testing::kCannotOpenSchedule);
}

TEST_F(ExternalSchedule, ReportsAFileDeletedBeforeOrAfterSizing) {
    std::filesystem::remove(m_schedule);
    EXPECT_EQ(Failure(), testing::kCannotOpenSchedule);

    testing::WriteFile(m_schedule, {1, 2, 3});
    EXPECT_EQ(FailureAfterSizing([&] { std::filesystem::remove(m_schedule); }),
              testing::kCannotOpenSchedule);
}

TEST_F(ExternalSchedule, NeverCopiesAFileThatChangedSizeSinceItWasMeasured) {
    const auto grow = [&] { testing::WriteFile(m_schedule, {1, 2, 3, 4, 5}); };
    const auto shrink = [&] { testing::WriteFile(m_schedule, {1, 2, 3}); };
    EXPECT_EQ(FailureAfterSizing(grow), testing::kCannotReadSchedule);
    EXPECT_EQ(FailureAfterSizing(shrink), testing::kCannotReadSchedule);

    // A fresh sizing measures the file again.
    const std::vector<uint8_t> area = Build();
    EXPECT_EQ(ToHex(RecordOf(area, testing::kScheduleId)).substr(0, 5 * 3 - 1), "00 07 01 02 03");
}

TEST_F(ExternalSchedule, LeavesAreasAbove2048BytesToSaveSetupButNotAbove65535) {
    testing::WriteFile(m_schedule, std::vector<uint8_t>(3000, 0x77));
    EXPECT_EQ(Build().size(), kAreaWithoutSchedule + 3004);

    // The largest file that the 16-bit total still describes, and one byte more.
    testing::WriteFile(m_schedule, std::vector<uint8_t>(0xFFFF - kAreaWithoutSchedule - 4, 1));
    EXPECT_EQ(Build().size(), 0xFFFFu);
    testing::WriteFile(m_schedule, std::vector<uint8_t>(0xFFFF - kAreaWithoutSchedule - 3, 1));
    EXPECT_EQ(Failure(), testing::kAreaTooLarge);
}

// A text that takes the area past its 16-bit total: the build's checks of the schedule come
// before the size, whether the area is built or, for its size, only checked.
TEST_F(ExternalSchedule, ReportsTheScheduleBeforeAnAreaTooLargeToFrame) {
    m_tree.Set("EXT_MAIN_CHAN_SYS", std::string(65600, 's'));
    EXPECT_EQ(Failure(), testing::kAreaTooLarge);
    EXPECT_EQ(FailureAfterSizing([&] { testing::WriteFile(m_schedule, {1}); }),
              testing::kCannotReadSchedule);

    m_tree.Set("TIME_TABLE", "");
    EXPECT_EQ(Failure(), testing::kCannotOpenSchedule);

    CStpAreaExt area;
    EXPECT_GT(area.GetSize(m_tree.Keys()), 0xFFFFu);
    try {
        area.CheckBuild(m_tree.Keys());
        ADD_FAILURE() << "CheckBuild accepted an empty TIME_TABLE";
    } catch (const SetupFailure& failure) {
        EXPECT_EQ(failure.Message(), testing::kCannotOpenSchedule);
    }
    m_tree.Set("TIME_TABLE", m_schedule.string());
    EXPECT_NO_THROW(area.CheckBuild(m_tree.Keys()));
}

TEST(ReadScheduleFile, ReadsExactlyTheMeasuredLengthOrFails) {
    const testing::TempFolder folder;
    const std::filesystem::path path = folder / "schedule.bin";
    testing::WriteFile(path, {9, 8, 7, 6});

    EXPECT_EQ(MeasureScheduleFile(path), 4u);
    EXPECT_EQ(ReadScheduleFile(path, 4), (std::vector<uint8_t>{9, 8, 7, 6}));
    for (size_t length : {0u, 3u, 5u, 100u}) {
        SCOPED_TRACE(length);
        try {
            ReadScheduleFile(path, length);
            ADD_FAILURE() << "read a file of 4 bytes as " << length;
        } catch (const SetupFailure& failure) {
            EXPECT_EQ(failure.Message(), testing::kCannotReadSchedule);
        }
    }
}

}  // namespace
}  // namespace quillon

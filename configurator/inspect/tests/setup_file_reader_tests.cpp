#include "inspect/setup_file_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "area_bytes.h"
#include "setup_fixture.h"

namespace quillon::inspect {
namespace {

std::vector<uint8_t> Bytes(std::span<const uint8_t> span) {
    return {span.begin(), span.end()};
}

TEST(SetupFileReader, ReadsColonAndSLinesEndedByCrLfOrLfAndALastLineWithoutEnd) {
    const SetupFileContents contents = ReadSetupFile(
        ":3080003E80001020306\r\n"
        "S3080003E803040506FA\n"
        ":3060003E81007F7");
    EXPECT_TRUE(contents.problems.empty());
    EXPECT_EQ(contents.dataRecords, 3u);
    ASSERT_EQ(contents.image.Runs().size(), 2u);
    EXPECT_EQ(Bytes(contents.image.RunFrom(0x3E800)), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Bytes(contents.image.RunFrom(0x3E802)), (std::vector<uint8_t>{3, 4, 5, 6}));
    EXPECT_EQ(Bytes(contents.image.RunFrom(0x3E810)), (std::vector<uint8_t>{0x07}));
    EXPECT_TRUE(contents.image.RunFrom(0x3E806).empty());
}

TEST(SetupFileReader, ReportsEveryLineTheProgrammerWouldRefuseOrNotProgram) {
    const struct {
        const char* line;
        const char* text;
    } cases[] = {
        {"X3080003E80001020306", "должна начинаться с \":\" или \"S\""},
        {":3", "короче четырёх знаков"},
        {":Z080003E80001020306", "тип S-записи не цифра"},
        {":3080003E8000102030", "нечётное число"},
        {":3080003e80001020306", "строчная шестнадцатеричная цифра"},
        {":3080003E8000102G306", "не является шестнадцатеричной цифрой"},
        {":3080003E80001020307", "контрольная сумма S-записи 07, ожидалась 06"},
        {":3090003E80001020305", "поле длины S-записи 9 не совпадает с числом байтов в строке 8"},
        {":3080003E800010\r0306", "не является шестнадцатеричной цифрой"},
        {"S10500000102F7", "данные записи S1 программатор не записывает"},
        {"S2060000000102F6", "данные записи S2"},
        {"S40200FD", "неизвестного типа 4"},
        {":304000000FB", "меньше четырёх байтов адреса"},
        {":307FFFFFFFF0102F9", "за конец 32-битного адресного пространства"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const SetupFileContents contents = ReadSetupFile(std::string("\r\n") + c.line + "\r\n");
        ASSERT_EQ(contents.problems.size(), 1u);
        EXPECT_EQ(contents.problems[0].line, 2u);
        EXPECT_NE(contents.problems[0].text.find(c.text), std::string::npos)
            << contents.problems[0].text;
        EXPECT_TRUE(contents.image.Runs().empty());
    }
}

TEST(SetupFileReader, NotesRecordsWithoutDataAndSkipsEmptyLines) {
    const SetupFileContents contents =
        ReadSetupFile("S00600004844521B\r\n\r\nS5030001FB\r\nS70500000000FA\r\nS9030000FC\r\n");
    EXPECT_TRUE(contents.problems.empty());
    ASSERT_EQ(contents.notes.size(), 4u);
    EXPECT_EQ(contents.notes[0].line, 1u);
    EXPECT_EQ(contents.notes[1].line, 3u);
    EXPECT_EQ(contents.notes[3].text, "завершающая запись S9 пропущена");
}

TEST(SetupFileReader, RefusesBytesGivenTwiceAndKeepsTheFirst) {
    const SetupFileContents contents = ReadSetupFile(
        ":3080003E80001020306\r\n"
        ":3060003E802AA62\r\n");
    ASSERT_EQ(contents.problems.size(), 1u);
    EXPECT_EQ(contents.problems[0].line, 2u);
    EXPECT_EQ(contents.problems[0].address, 0x3E802u);
    EXPECT_EQ(Bytes(contents.image.RunFrom(0x3E800)), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(SparseImage, JoinsRunsThatTouchAndRefusesOverlaps) {
    SparseImage image;
    const std::vector<uint8_t> a = {1, 2}, b = {3, 4}, c = {5};
    EXPECT_TRUE(image.Insert(10, a));
    EXPECT_TRUE(image.Insert(14, c));
    EXPECT_TRUE(image.Insert(12, b));
    ASSERT_EQ(image.Runs().size(), 1u);
    EXPECT_EQ(Bytes(image.RunFrom(10)), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(image.Insert(9, a));
    EXPECT_FALSE(image.Insert(14, a));
    EXPECT_TRUE(image.Insert(0xFFFFFFFE, a));
    EXPECT_FALSE(image.Insert(0xFFFFFFFF, a));
    EXPECT_EQ(Bytes(image.RunFrom(0xFFFFFFFF)), (std::vector<uint8_t>{2}));
}

}  // namespace
}  // namespace quillon::inspect

namespace quillon::inspect {
namespace {

// srec_cat (Debian package srecord), which nobody here wrote, makes the S-records.
TEST(SetupFileReader, ReadsWhatSrecCatWritesAsTheBytesItWasGiven) {
    if (std::string(QB_SREC_CAT).empty()) {
        GTEST_SKIP() << "srec_cat is not installed";
    }
    testing::ScratchFolder folder;
    const std::vector<uint8_t> area = testing::TwoMeterArea();
    const auto binary = folder.Write("area.bin", std::string(area.begin(), area.end()));
    const auto records = folder.Path() / "area.s19";
    const std::string command = std::string(QB_SREC_CAT) + " '" + binary.string() +
                                "' -binary -offset 0x3E800 -o '" + records.string() +
                                "' -motorola -address-length=4 -line-length=46";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(records, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    const SetupFileContents contents = ReadSetupFile(text);
    EXPECT_TRUE(contents.problems.empty());
    EXPECT_FALSE(contents.notes.empty());  // its header and count records
    EXPECT_GT(contents.dataRecords, 1u);
    EXPECT_EQ(Bytes(contents.image.RunFrom(0x3E800)), area);
}

}  // namespace
}  // namespace quillon::inspect

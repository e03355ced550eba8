#include "core/srecord_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/testing/temp_folder.h"

namespace brivel {
namespace {

using testing::TempFolder;

struct FirstRecordCase {
    const char* name;
    std::string content;
    int result;
    int32_t type = -1;
    uint32_t address = 0;
    std::vector<uint8_t> data = {};
};

// Line of n characters (plus the line end) that is a valid S3 record when n is even: the
// checksum is fitted to the count field of 0x00 and the zero data bytes.
std::string LongRecord(std::size_t characters) {
    std::string line = "S300" + std::string(characters - 6, '0');
    return line + "FF";
}

void PrintTo(const FirstRecordCase& c, std::ostream* out) {
    *out << c.name;
}

class FirstRecord : public ::testing::TestWithParam<FirstRecordCase> {};

TEST_P(FirstRecord, DecodesAsExpected) {
    const FirstRecordCase& c = GetParam();
    const TempFolder folder;
    SRecordReader reader;
    ASSERT_EQ(reader.Open(folder.Write("first.s19", c.content)), 0);
    SRecordLine line;
    ASSERT_EQ(reader.NextRecord(line), c.result);
    if (c.result == kReaderRecord) {
        EXPECT_EQ(line.type, c.type);
        EXPECT_EQ(line.address, c.address);
        ASSERT_EQ(line.length, static_cast<int32_t>(c.data.size()));
        EXPECT_EQ(std::vector<uint8_t>(line.data, line.data + line.length), c.data);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SRecordReader, FirstRecord,
    ::testing::Values(
        FirstRecordCase{"S9Termination", "S9030000FC\r\n", kReaderRecord, 9, 0, {}},
        FirstRecordCase{"S3WithData",
                        "S30900001000DEADBEEFAE\r\n",
                        kReaderRecord,
                        3,
                        0x1000,
                        {0xDE, 0xAD, 0xBE, 0xEF}},
        FirstRecordCase{"LowerCaseDigits", "S30900001000deadbeefAE\r\n", kReaderMalformed},
        FirstRecordCase{"ColonForS",
                        ":30900001000DEADBEEFAE\r\n",
                        kReaderRecord,
                        3,
                        0x1000,
                        {0xDE, 0xAD, 0xBE, 0xEF}},
        FirstRecordCase{
            "S1TwoAddressBytes", "S1051234AABB4F\r\n", kReaderRecord, 1, 0x1234, {0xAA, 0xBB}},
        FirstRecordCase{
            "S2ThreeAddressBytes", "S205123456AAB4\r\n", kReaderRecord, 2, 0x123456, {0xAA}},
        FirstRecordCase{"S0HeaderIsSkipped", "S00600004844521B\r\n", kReaderSkip},
        FirstRecordCase{"S5CountRecord", "S5030003F9\r\n", kReaderRecord, 5, 3, {}},
        FirstRecordCase{"EmptyLine", "\r\n", kReaderSkip},
        FirstRecordCase{"TooShort", "S1\r\n", kReaderMalformed},
        FirstRecordCase{"OddLength", "S9030000FC0\r\n", kReaderMalformed},
        FirstRecordCase{"NoBytesAfterCount", "S903\r\n", kReaderMalformed},
        FirstRecordCase{"NotARecord", "X9030000FC\r\n", kReaderMalformed},
        FirstRecordCase{"BadChecksum", "S9030000FD\r\n", kReaderMalformed},
        FirstRecordCase{"AddressLongerThanRecord", "S3030000FC\r\n", kReaderMalformed},
        // Count 0x05 where 0x09 belongs, checksum computed with 0x05: accepted, the length
        // follows from the line.
        FirstRecordCase{"WrongCountMatchingChecksum",
                        "S30500001000DEADBEEFB2\r\n",
                        kReaderRecord,
                        3,
                        0x1000,
                        {0xDE, 0xAD, 0xBE, 0xEF}},
        FirstRecordCase{"Line514Characters", LongRecord(514) + "\r\n", kReaderRecord, 3, 0,
                        std::vector<uint8_t>(250, 0)},
        FirstRecordCase{"Line515Characters", LongRecord(514) + "0\r\n", kReaderLineTooLong},
        FirstRecordCase{"Line515CharactersLf", LongRecord(514) + "0\n", kReaderLineTooLong},
        FirstRecordCase{"LfLineEnd",
                        "S30900001000DEADBEEFAE\n",
                        kReaderRecord,
                        3,
                        0x1000,
                        {0xDE, 0xAD, 0xBE, 0xEF}},
        FirstRecordCase{"LastLineWithoutLineEnd", "S9030000FC", kReaderRecord, 9, 0, {}},
        FirstRecordCase{"LoneCrIsACharacter", "S9030000FC\rS9030000FC\r\n", kReaderMalformed},
        FirstRecordCase{"EmptyFile", "", kReaderEnd}),
    [](const ::testing::TestParamInfo<FirstRecordCase>& info) { return info.param.name; });

std::vector<int> Results(const std::string& content) {
    const TempFolder folder;
    SRecordReader reader;
    EXPECT_EQ(reader.Open(folder.Write("results.s19", content)), 0);
    std::vector<int> results;
    SRecordLine line;
    for (int i = 0; i < 10; ++i) {
        const int result = reader.NextRecord(line);
        results.push_back(result);
        if (result == kReaderEnd) {
            break;
        }
    }
    return results;
}

TEST(SRecordReader, ReadsMixedLineEndsAndAnUnterminatedLastLine) {
    EXPECT_EQ(Results("S00600004844521B\nS30900001000DEADBEEFAE\r\n\nS5030001FB\r\nS9030000FC"),
              (std::vector<int>{kReaderSkip, kReaderRecord, kReaderSkip, kReaderRecord,
                                kReaderRecord, kReaderEnd}));
}

TEST(SRecordReader, GoesOnAfterAMalformedOrOverlongLine) {
    // 600 characters: the first 516 are refused, the rest is read as a line of its own.
    EXPECT_EQ(Results(std::string(600, '0') + "\r\nS9030000FC\r\n"),
              (std::vector<int>{kReaderLineTooLong, kReaderMalformed, kReaderRecord, kReaderEnd}));
}

TEST(SRecordReader, RewindReadsTheFileAgain) {
    const TempFolder folder;
    SRecordReader reader;
    SRecordLine line;
    EXPECT_EQ(reader.Rewind(), 1);
    EXPECT_EQ(reader.NextRecord(line), kReaderNoFile);
    ASSERT_EQ(reader.Open(folder.Write("one.s19", "S30900001000DEADBEEFAE\r\n")), 0);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(reader.NextRecord(line), kReaderRecord);
        EXPECT_EQ(line.address, 0x1000u);
        EXPECT_EQ(reader.NextRecord(line), kReaderEnd);
        EXPECT_EQ(reader.Rewind(), 0);
    }
    reader.Close();
    EXPECT_EQ(reader.NextRecord(line), kReaderNoFile);
}

TEST(SRecordReader, OpenFailsForAMissingFile) {
    const TempFolder folder;
    SRecordReader reader;
    EXPECT_EQ(reader.Open(folder.File("no/such/file.s19")), -1);
}

}  // namespace
}  // namespace brivel

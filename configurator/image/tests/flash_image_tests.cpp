#include "image/flash_image.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "hex_bytes.h"

namespace quillon {
namespace {

using testing::HexBytes;

std::vector<uint8_t> Counting(uint8_t first, size_t count) {
    std::vector<uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

std::string SRecords(const CFlashImage& image, bool sMarker = false) {
    std::ostringstream out;
    image.WriteSRecords(out, sMarker);
    return out.str();
}

void Put(CFlashImage& image, uint32_t address, const std::vector<uint8_t>& bytes) {
    image.Seek(address);
    EXPECT_EQ(image.Write(bytes), bytes.size());
}

TEST(CFlashImage, WritesThreeBytesAsOneTypeThreeRecord) {
    CFlashImage image;
    Put(image, 0x3E800, HexBytes("01 02 03"));
    EXPECT_EQ(SRecords(image), ":3080003E80001020306\r\n");
}

TEST(CFlashImage, MarksEveryLineWithSWhenAsked) {
    CFlashImage image;
    Put(image, 0x3E800, HexBytes("01 02 03"));
    EXPECT_EQ(SRecords(image, true), "S3080003E80001020306\r\n");
}

TEST(CFlashImage, SplitsAnAreaIntoRecordsOfThirtyTwoBytes) {
    CFlashImage image;
    Put(image, 0x3F000, Counting(0, 70));
    EXPECT_EQ(SRecords(image),
              ":3250003F000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1FF7\r\n"
              ":3250003F020202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3FD7\r\n"
              ":30B0003F04040414243444532\r\n");
}

TEST(CFlashImage, WritesNothingForAnEmptyImage) {
    CFlashImage image;
    EXPECT_EQ(SRecords(image), "");
    image.Seek(0x3F800);
    EXPECT_EQ(image.Write({}), 0u);
    EXPECT_EQ(SRecords(image), "");
}

TEST(CFlashImage, ContinuesOneSegmentAcrossTouchingAreas) {
    CFlashImage image;
    Put(image, 0x1000, Counting(0x10, 40));
    Put(image, 0x1028, Counting(0xA0, 10));
    ASSERT_EQ(image.Segments().size(), 2u);  // the empty head and one run
    // The second record holds the last 8 bytes of the first area and all of the second.
    EXPECT_EQ(SRecords(image),
              ":32500001000101112131415161718191A1B1C1D1E1F202122232425262728292A2B2C2D2E2FDA\r\n"
              ":317000010203031323334353637A0A1A2A3A4A5A6A7A8A9AF\r\n");
}

TEST(CFlashImage, StartsAFreshRecordAfterAGap) {
    CFlashImage image;
    Put(image, 0x1000, HexBytes("01 02 03"));
    Put(image, 0x1010, HexBytes("04 05"));
    EXPECT_EQ(SRecords(image), ":30800001000010203E1\r\n:307000010100405CF\r\n");
}

TEST(CFlashImage, OverwritesBytesInPlace) {
    CFlashImage image;
    Put(image, 0x1000, Counting(1, 8));
    Put(image, 0x1002, HexBytes("AA BB"));
    EXPECT_EQ(SRecords(image), ":30D000010000102AABB0506070860\r\n");
}

TEST(CFlashImage, GrowsOnlyUpToTheNextSegmentAndThenOverwritesIt) {
    CFlashImage image;
    Put(image, 0x1000, Counting(1, 4));
    Put(image, 0x1008, Counting(5, 4));
    Put(image, 0x1002, Counting(0x11, 10));
    EXPECT_EQ(SRecords(image),
              ":30D0000100001021112131415166A\r\n"
              ":309000010081718191A7C\r\n");
}

TEST(CFlashImage, KeepsSegmentsInTheOrderTheyWereCreated) {
    CFlashImage image;
    Put(image, 0x2000, HexBytes("01"));
    Put(image, 0x1000, HexBytes("02"));
    EXPECT_EQ(SRecords(image), ":3060000200001D8\r\n:3060000100002E7\r\n");
}

TEST(CFlashImage, GrowsFreelyWhenTheNextSegmentLiesBelow) {
    // The segment created next starts below this one's end, so it cannot be run into.
    CFlashImage image;
    Put(image, 0x2000, HexBytes("01 02"));
    Put(image, 0x1000, HexBytes("06 07"));
    Put(image, 0x2002, HexBytes("03 04 05"));
    EXPECT_EQ(SRecords(image), ":30A000020000102030405C6\r\n:307000010000607DB\r\n");
}

TEST(CFlashImage, RefusesBytesBeyondTheLastAddress) {
    CFlashImage image;
    image.Seek(0xFFFFFFFE);
    EXPECT_THROW(image.Write(HexBytes("AB CD EF")), std::out_of_range);
    EXPECT_EQ(SRecords(image), "");
    EXPECT_EQ(image.Write(HexBytes("AB CD")), 2u);
    EXPECT_EQ(SRecords(image), ":307FFFFFFFEABCD85\r\n");
}

}  // namespace
}  // namespace quillon

#include "image/area.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "hex_bytes.h"

namespace quillon {
namespace {

using testing::HexBytes;
using testing::ToHex;

// Exposes the frame of CArea, as a derived area sees it.
class TestArea : public CArea {
public:
    using CArea::BeginArea;
    using CArea::Bind;
    using CArea::EndArea;
};

// A buffer with guard bytes behind the part handed to the area, to show nothing is written past
// its end.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t areaSize) : bytes(areaSize + kGuard, 0xCC), size(areaSize) {}
    std::span<uint8_t> Area() { return std::span(bytes).first(size); }
    bool GuardIntact() const {
        for (size_t i = size; i < bytes.size(); ++i) {
            if (bytes[i] != 0xCC) {
                return false;
            }
        }
        return true;
    }
    std::vector<uint8_t> Written() const {
        return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)};
    }

    static constexpr size_t kGuard = 16;
    std::vector<uint8_t> bytes;
    size_t size;
};

TEST(Crc16Modbus, GivesTheStandardCheckValueOverTheDigitsOneToNine) {
    const std::string digits = "123456789";
    EXPECT_EQ(
        Crc16Modbus(std::span(reinterpret_cast<const uint8_t*>(digits.data()), digits.size())),
        0x4B37);
    EXPECT_EQ(Crc16Modbus(HexBytes("00 05 FF")), 0xD032);
    EXPECT_EQ(Crc16Modbus({}), 0xFFFF);
}

TEST(CArea, WritesARecordWithItsChecksumLowByteFirst) {
    GuardedBuffer buffer(5);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 0;
    area.PutU16(5, cursor);
    area.PutU8(0xFF, cursor);
    area.AddChecksum(cursor, 3);
    EXPECT_EQ(cursor, 5u);
    area.FinishChecksums();
    EXPECT_EQ(ToHex(buffer.Written()), "00 05 FF 32 D0");
}

TEST(CArea, PutsNumbersBigEndianAndStringsWithATerminatingZero) {
    GuardedBuffer buffer(14);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 0;
    area.PutU16(0x1234, cursor);
    area.PutU32(0xC0A8000A, cursor);
    area.PutString("ab", cursor);
    area.PutString("", cursor);
    area.PutBytes(HexBytes("01 02 03"), cursor);
    EXPECT_EQ(cursor, 13u);
    EXPECT_EQ(ToHex(buffer.Written()), "12 34 C0 A8 00 0A 61 62 00 00 01 02 03 CC");
}

TEST(CArea, WritesATextUpToItsFirstZeroByteOnly) {
    GuardedBuffer buffer(4);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 0;
    const std::string text("ab\0cd", 5);
    EXPECT_EQ(StringSize(text), 3u);
    area.PutString(text, cursor);
    EXPECT_EQ(cursor, 3u);
    EXPECT_EQ(ToHex(buffer.Written()), "61 62 00 CC");
}

TEST(CArea, FillsOffsetTableEntriesWithTheDistanceFromEachField) {
    // Offset fields of a three-entry table lie at 6, 12 and 18.
    GuardedBuffer buffer(130);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 0;
    const std::pair<uint16_t, std::string_view> entries[] = {{1, "A"}, {2, "B"}, {3, "C"}};
    area.PutOffsetTable(entries, cursor);
    EXPECT_EQ(cursor, OffsetTableSize(3));
    area.ResolveLabel(6 + 30, "A");
    area.ResolveLabel(12 + 60, "B");
    area.ResolveLabel(18 + 100, "C");
    EXPECT_EQ(area.PendingLabelCount(), 0u);
    area.FinishChecksums();
    const std::vector<uint8_t> table(buffer.bytes.begin(), buffer.bytes.begin() + 22);
    EXPECT_EQ(ToHex(table), "00 18 00 03 00 01 00 00 00 1E 00 02 00 00 00 3C 00 03 00 00 00 64");
    const uint16_t crc = Crc16Modbus(table);
    EXPECT_EQ(buffer.bytes[22], crc & 0xFF);
    EXPECT_EQ(buffer.bytes[23], crc >> 8);
}

TEST(CArea, ResolvesALabelOnceAndIgnoresNamesThatAreNotPending) {
    GuardedBuffer buffer(12);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 4;
    area.DefineLabel(cursor, "X");
    EXPECT_EQ(cursor, 8u);
    area.ResolveLabel(10, "Y");
    area.ResolveLabel(0, "X");  // a backward offset is stored in two's complement
    area.ResolveLabel(11, "X");
    EXPECT_EQ(ToHex(buffer.Written()), "CC CC CC CC FF FF FF FC CC CC CC CC");
}

TEST(CArea, RefusesToRedefineAPendingLabel) {
    GuardedBuffer buffer(8);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 0;
    area.DefineLabel(cursor, "X");
    EXPECT_THROW(area.DefineLabel(cursor, "X"), AreaInternalError);
    area.ResolveLabel(4, "X");
    area.DefineLabel(cursor, "X");  // free again once resolved
    EXPECT_EQ(area.PendingLabelCount(), 1u);
}

TEST(CArea, RefusesAValueTooLargeForASixteenBitField) {
    GuardedBuffer buffer(2);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 0;
    EXPECT_THROW(area.PutU16(0x10000, cursor), AreaInternalError);
    EXPECT_EQ(cursor, 0u);
    area.PutU16(0xFFFF, cursor);
    EXPECT_EQ(ToHex(buffer.Written()), "FF FF");
}

TEST(CArea, EncodesElementHeadersInTheShortAndTheLongForm) {
    struct Case {
        uint32_t type;
        size_t length;
        const char* header;
    };
    const Case cases[] = {
        {0, 0, "00"},
        {3, 7, "73"},
        {0, 8, "90 08"},
        {0, 14, "90 0E"},
        {5, 255, "95 FF"},
        {1, 256, "A1 00 01"},
        {7, 0xFFFF, "A7 FF FF"},
        {2, 0x10000, "B2 00 00 01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " length " + std::to_string(c.length));
        GuardedBuffer buffer(4);
        TestArea area;
        area.Bind(buffer.Area());
        size_t cursor = 0;
        area.PutElementHeader(c.type, c.length, cursor);
        const std::vector<uint8_t> expected = HexBytes(c.header);
        EXPECT_EQ(ToHex({buffer.bytes.begin(),
                         buffer.bytes.begin() + static_cast<std::ptrdiff_t>(cursor)}),
                  c.header);
        EXPECT_EQ(ElementSize(c.length), expected.size() + c.length);
    }
}

TEST(CArea, RefusesAnElementTypeAboveSeven) {
    GuardedBuffer buffer(4);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 0;
    EXPECT_THROW(area.PutElementHeader(8, 1, cursor), AreaInternalError);
}

TEST(CArea, NeverWritesPastTheEndOfItsBuffer) {
    struct Case {
        const char* name;
        size_t width;
        std::function<void(CArea&, size_t&)> put;
    };
    const Case cases[] = {
        {"PutU8", 1, [](CArea& a, size_t& c) { a.PutU8(1, c); }},
        {"PutU16", 2, [](CArea& a, size_t& c) { a.PutU16(1, c); }},
        {"PutU32", 4, [](CArea& a, size_t& c) { a.PutU32(1, c); }},
        {"PutString", 7, [](CArea& a, size_t& c) { a.PutString("abcdef", c); }},
        {"PutBytes", 5, [](CArea& a, size_t& c) { a.PutBytes(HexBytes("01 02 03 04 05"), c); }},
        {"DefineLabel", 4, [](CArea& a, size_t& c) { a.DefineLabel(c, "L"); }},
        {"AddChecksum", 2, [](CArea& a, size_t& c) { a.AddChecksum(c, 0); }},
        {"PutElementHeader", 3, [](CArea& a, size_t& c) { a.PutElementHeader(0, 300, c); }},
    };
    constexpr size_t kSize = 6;
    for (const Case& c : cases) {
        // One byte short of room, at the end, and far beyond it.
        for (size_t start : {kSize - c.width + 1, kSize, kSize + 100, SIZE_MAX - 1}) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(start));
            GuardedBuffer buffer(kSize);
            TestArea area;
            area.Bind(buffer.Area());
            size_t cursor = start;
            EXPECT_THROW(c.put(area, cursor), AreaInternalError);
            EXPECT_EQ(cursor, start);
            area.FinishChecksums();
            EXPECT_TRUE(buffer.GuardIntact());
            EXPECT_EQ(area.PendingLabelCount(), 0u);
        }
    }
}

TEST(CArea, RefusesAChecksumSpanningBytesBeforeTheBuffer) {
    GuardedBuffer buffer(6);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 2;
    EXPECT_THROW(area.AddChecksum(cursor, 3), AreaInternalError);
}

TEST(CArea, RefusesToResolveALabelToAPositionOutsideTheBuffer) {
    GuardedBuffer buffer(6);
    TestArea area;
    area.Bind(buffer.Area());
    size_t cursor = 0;
    area.DefineLabel(cursor, "X");
    EXPECT_THROW(area.ResolveLabel(6, "X"), AreaInternalError);
}

TEST(CArea, FramesAnAreaWithSignatureTotalAndAreaChecksum) {
    GuardedBuffer buffer(25);
    TestArea area;
    size_t cursor = area.BeginArea(buffer.Area(), 25);
    EXPECT_EQ(cursor, 18u);
    area.PutU16(5, cursor);
    area.PutU8(0xFF, cursor);
    area.AddChecksum(cursor, 3);
    area.EndArea(cursor);
    // 3B C2 is the CRC over everything before it, the finished record checksum included.
    EXPECT_EQ(ToHex(buffer.Written()),
              "AF EB 8A 8E DE 10 44 E1 A3 50 C7 5A A0 5D 52 AA 00 19 00 05 FF 32 D0 3B C2");
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST(CArea, RefusesABufferOfAnotherSizeThanTheTotal) {
    GuardedBuffer buffer(24);
    TestArea area;
    EXPECT_THROW(area.BeginArea(buffer.Area(), 25), AreaInternalError);
}

TEST(CArea, ReportsRecordsThatDoNotFillTheAreaExactly) {
    for (size_t end : {size_t{20}, size_t{22}}) {
        SCOPED_TRACE("records end at " + std::to_string(end));
        GuardedBuffer buffer(23);
        TestArea area;
        size_t cursor = area.BeginArea(buffer.Area(), 23);
        area.PutBytes(HexBytes("01 02 03 04"), cursor);
        EXPECT_THROW(area.EndArea(end), AreaInternalError);
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST(CArea, ReportsAnOffsetLeftUnresolved) {
    GuardedBuffer buffer(24);
    TestArea area;
    size_t cursor = area.BeginArea(buffer.Area(), 24);
    area.DefineLabel(cursor, "RAY_0000_GID");
    try {
        area.EndArea(cursor);
        FAIL() << "no error";
    } catch (const AreaInternalError& error) {
        EXPECT_NE(std::string(error.what()).find("RAY_0000_GID"), std::string::npos);
    }
}

TEST(CArea, StartsEachBuildWithNoLabelPendingFromAnAbandonedOne) {
    GuardedBuffer first(24);
    TestArea area;
    size_t cursor = area.BeginArea(first.Area(), 24);
    area.DefineLabel(cursor, "X");
    // The build is abandoned here, as after a setup failure; the next one starts clean.
    GuardedBuffer second(20);
    cursor = area.BeginArea(second.Area(), 20);
    EXPECT_EQ(area.PendingLabelCount(), 0u);
    area.EndArea(cursor);
}

}  // namespace
}  // namespace quillon

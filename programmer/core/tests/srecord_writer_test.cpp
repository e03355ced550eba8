#include "core/srecord_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "core/replacing_file.h"
#include "core/testing/temp_folder.h"

namespace brivel {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::ReadFileBytes;
using testing::TempFolder;

std::vector<std::string> Names(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

struct WriterCase {
    const char* name;
    uint32_t address;
    Bytes data;
    const char* header;
    std::string text;
};

Bytes Counting32() {
    Bytes data(32);
    std::iota(data.begin(), data.end(), 0);
    return data;
}

Bytes Counting32AndFF() {
    Bytes data = Counting32();
    data.push_back(0xFF);
    return data;
}

// Every line written out with its checksum: count, address, data, then the one's complement
// of the low byte of their sum.
const WriterCase kWriterCases[] = {
    {"no data: header and end record", 0, {}, "", "S0030000FC\r\nS70500000000FA\r\n"},
    {"a full line and one byte more, 0xFF kept", 0x3E800, Counting32AndFF(), "hdr",
     "S0060000686472BB\r\n"
     "S3250003E800000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1FFF\r\n"
     "S3060003E820FFEF\r\n"
     "S70500000000FA\r\n"},
};

TEST(SRecordWriter, WritesS3LinesOf32BytesBetweenHeaderAndEndRecord) {
    for (const WriterCase& c : kWriterCases) {
        EXPECT_EQ(FormatSRecordFile(c.address, c.data, c.header), c.text) << c.name;
    }
}

TEST(ReplacingFile, ReplacesTheTargetOnlyWhenCommitted) {
    const TempFolder folder;
    const std::string target = folder.Write("out.s19", std::string("old"));
    std::string reason;
    {
        ReplacingFile file;
        ASSERT_TRUE(file.Create(target, reason)) << reason;
        // Not committed: the target stays, the temporary file goes.
    }
    EXPECT_EQ(ReadFileBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(Names(folder), std::vector<std::string>{"out.s19"});
    ReplacingFile file;
    ASSERT_TRUE(file.Create(target, reason)) << reason;
    ASSERT_TRUE(file.Commit("new text", reason)) << reason;
    EXPECT_EQ(ReadFileBytes(target), (Bytes{'n', 'e', 'w', ' ', 't', 'e', 'x', 't'}));
    EXPECT_FALSE(file.Commit("again", reason));
    EXPECT_EQ(Names(folder), std::vector<std::string>{"out.s19"});

    ReplacingFile missing;
    EXPECT_FALSE(missing.Create(folder.File("no-such-folder/out.s19"), reason));
    EXPECT_EQ(reason, "No such file or directory");
}

}  // namespace
}  // namespace brivel

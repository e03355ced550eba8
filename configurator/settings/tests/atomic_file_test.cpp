#include "settings/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/testing/temp_folder.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

TEST(WriteFileAtomically, CreatesANewFileWithExactlyTheBytes) {
    TempFolder folder;
    const std::string bytes("a\r\nb\0c", 6);
    ASSERT_TRUE(WriteFileAtomically(folder / "new.s19", bytes));
    EXPECT_EQ(ReadBytes(folder / "new.s19"), bytes);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"new.s19"});
}

TEST(WriteFileAtomically, ReplacesAnExistingFileAndKeepsItsPermissions) {
    TempFolder folder;
    WriteBytes(folder / "site.ini", "old contents that are longer");
    fs::permissions(folder / "site.ini",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileAtomically(folder / "site.ini", "new"));
    EXPECT_EQ(ReadBytes(folder / "site.ini"), "new");
    EXPECT_EQ(fs::status(folder / "site.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"site.ini"});
}

TEST(WriteFileAtomically, WritesThroughASymbolicLink) {
    TempFolder folder;
    WriteBytes(folder / "real.ini", "old");
    fs::create_symlink("real.ini", folder / "link.ini");
    ASSERT_TRUE(WriteFileAtomically(folder / "link.ini", "new"));
    EXPECT_TRUE(fs::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ReadBytes(folder / "real.ini"), "new");
}

TEST(WriteFileAtomically, FailsInAMissingFolderAndCreatesNothing) {
    TempFolder folder;
    EXPECT_FALSE(WriteFileAtomically(folder / "missing" / "out.s19", "x"));
    EXPECT_TRUE(folder.Names().empty());
}

TEST(WriteFileAtomically, FailsOnAFolderAndLeavesItAlone) {
    TempFolder folder;
    fs::create_directory(folder / "out.s19");
    WriteBytes(folder / "out.s19" / "inside", "kept");
    EXPECT_FALSE(WriteFileAtomically(folder / "out.s19", "x"));
    EXPECT_EQ(ReadBytes(folder / "out.s19" / "inside"), "kept");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"out.s19"});
}

TEST(WriteFileAtomically, FailsWithoutWritePermissionAndTouchesNothing) {
    if (testing::RunsAsRoot()) {
        GTEST_SKIP() << "permission bits do not stop root";
    }
    TempFolder folder;
    WriteBytes(folder / "readonly.s19", "old");
    fs::permissions(folder / "readonly.s19", fs::perms::owner_read);
    EXPECT_FALSE(WriteFileAtomically(folder / "readonly.s19", "new"));
    EXPECT_EQ(ReadBytes(folder / "readonly.s19"), "old");

    fs::create_directory(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteFileAtomically(folder / "locked" / "out.s19", "new"));
    EXPECT_TRUE(fs::is_empty(folder / "locked"));
}

TEST(WriteFileAtomically, RefusesAnEmptyPath) {
    EXPECT_FALSE(WriteFileAtomically(fs::path(), "x"));
}

}  // namespace
}  // namespace quillon

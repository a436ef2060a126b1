#include "tools/module_version.h"

#include <gtest/gtest.h>

#include "support/test_env.h"

namespace tools {
namespace {

using namespace std::string_literals;

// The records of these tests are put together at run time, so that this test program
// holds no complete record of its own besides the one it links.
std::string Record(const std::string& version, const std::string& specialBuild) {
    std::string record = "@(#)NORVEL_FILE_";
    record += "VERSION=" + version + ";SpecialBuild=" + specialBuild + ";";
    record.push_back('\0');
    return record;
}

std::u16string Wide(const std::string& path) {
    return std::u16string(path.begin(), path.end());
}

struct Found {
    bool ok = false;
    std::u16string version = u"untouched";
    std::u16string specialBuild = u"untouched";
};

Found Read(const std::string& path) {
    Found found;
    found.ok = GetModuleVersion(Wide(path), found.version, found.specialBuild);
    return found;
}

Found ReadBytes(const std::string& bytes) {
    norvel::test::TempDir dir;
    norvel::test::WriteFile(dir.File("module"), bytes);
    return Read(dir.File("module"));
}

TEST(GetModuleVersion, FindsTheRecordLinkedIntoThisProgram) {
    const Found found = Read("/proc/self/exe");
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.version, Wide(NORVEL_TEST_FILE_VERSION));
    EXPECT_EQ(found.specialBuild, Wide(NORVEL_TEST_SPECIAL_BUILD));
}

TEST(GetModuleVersion, ReadsVersionAndSpecialBuild) {
    const std::string filler(5000, '\x7F');
    const Found found = ReadBytes(filler + Record("2.10.0.65535", "nightly 7") + filler);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.version, u"2.10.0.65535");
    EXPECT_EQ(found.specialBuild, u"nightly 7");

    const Found utf8 = ReadBytes(Record("01.2.3.4", "\xE6\xB5\x8B\xE8\xAF\x95"));
    ASSERT_TRUE(utf8.ok);
    EXPECT_EQ(utf8.version, u"1.2.3.4");
    EXPECT_EQ(utf8.specialBuild, u"测试");

    const std::string longest(255, 'L');
    const Found full = ReadBytes(Record("0.0.0.0", longest));
    ASSERT_TRUE(full.ok);
    EXPECT_EQ(full.specialBuild, std::u16string(255, u'L'));
}

TEST(GetModuleVersion, NoRecordLeavesOutputsUntouched) {
    for (const std::string& bytes : {
             std::string(),
             std::string("plain text without any record"),
             // The reader's own prefix, as it stands in every binary that can read records.
             "@(#)NORVEL_FILE_VERSION=\0more"s,
             Record("1.2.3", ""),
             Record("1.2.3.4.5", ""),
             Record("1.2.3.65536", ""),
             Record("1.2.3.123456", ""),
             Record("1..3.4", ""),
             Record("1.2.3.4", "tab\there"),
             Record("1.2.3.4", std::string(256, 'x')),
             Record("1.2.3.4", "x").substr(0, Record("1.2.3.4", "x").size() - 1),  // no zero
             Record("1.2.3.4", "x").substr(0, 30),
         }) {
        const Found found = ReadBytes(bytes);
        EXPECT_FALSE(found.ok) << bytes;
        EXPECT_EQ(found.version, u"untouched");
        EXPECT_EQ(found.specialBuild, u"untouched");
    }
}

TEST(GetModuleVersion, MissingFileOrFolder) {
    norvel::test::TempDir dir;
    Found found = Read(dir.File("absent"));
    EXPECT_FALSE(found.ok);
    EXPECT_EQ(found.version, u"untouched");
    found = Read(dir.Path());
    EXPECT_FALSE(found.ok);
    EXPECT_EQ(found.specialBuild, u"untouched");
}

TEST(GetModuleVersion, FirstCompleteRecordWinsAfterBrokenOnes) {
    const Found found = ReadBytes(Record("1.2", "") + Record("1.2.3.4", "a;") +
                                  Record("5.6.7.8", "first") + Record("9.9.9.9", "second"));
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.version, u"5.6.7.8");
    EXPECT_EQ(found.specialBuild, u"first");
}

TEST(GetModuleVersion, RecordsAcrossTheReadingChunks) {
    // The file is read in pieces of 1 MiB: put the record, then its prefix, across the
    // border of the first piece.
    constexpr size_t kChunk = 1 << 20;
    const std::string record = Record("3.1.4.1", "edge");
    for (size_t before : {size_t{10}, size_t{30}, record.size() - 1, size_t{1}}) {
        const Found found = ReadBytes(std::string(kChunk - before, 'z') + record);
        ASSERT_TRUE(found.ok) << before;
        EXPECT_EQ(found.version, u"3.1.4.1");
        EXPECT_EQ(found.specialBuild, u"edge");
    }
}

}  // namespace
}  // namespace tools

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "intake/request_entry.h"

using namespace intake;

TEST(RequestEntry, FieldsSitWhereThePluginWritesThem) {
    // A record as it arrives on the socket: kind 2, "/d", "a.txt", little-endian.
    unsigned char bytes[1044] = {};
    bytes[0] = 2;
    const char16_t dir[] = u"/d";
    const char16_t name[] = u"a.txt";
    std::memcpy(bytes + 4, dir, sizeof(dir));
    std::memcpy(bytes + 524, name, sizeof(name));
    UploadRequestEntry entry;
    std::memcpy(&entry, bytes, sizeof(entry));
    EXPECT_EQ(entry.nKind, kShareLinkRequest);
    EXPECT_EQ(EntryDir(entry), u"/d");
    EXPECT_EQ(EntryName(entry), u"a.txt");
    EXPECT_EQ(EntryPath(entry), u"/d/a.txt");
    EXPECT_TRUE(IsEntryTerminated(entry));
}

TEST(RequestEntry, AFieldWithoutTerminatorReadsAllItsUnitsAndNoMore) {
    // Two entries back to back: the first's name runs into the second record's bytes
    // unless the reader stops at the end of the field.
    UploadRequestEntry entries[2];
    for (char16_t& unit : entries[0].szName)
        unit = u'n';
    entries[1].nKind = 0x00410041;  // would read as "AA" past the field
    EXPECT_EQ(EntryName(entries[0]), std::u16string(260, u'n'));
    EXPECT_FALSE(IsEntryTerminated(entries[0]));
    for (char16_t& unit : entries[0].szDir)
        unit = u'd';
    EXPECT_EQ(EntryDir(entries[0]).size(), 260u);
}

TEST(RequestEntry, MakeEntryRefusesWhatTheFieldsCannotCarry) {
    UploadRequestEntry entry;
    ASSERT_TRUE(MakeEntry(kUploadRequest, u"/x", std::u16string(259, u'a'), entry));
    EXPECT_EQ(EntryName(entry).size(), 259u);
    EXPECT_TRUE(IsEntryTerminated(entry));

    ASSERT_TRUE(MakeEntry(kWeiboRequest, u"/short", u"b", entry));
    EXPECT_EQ(EntryName(entry), u"b");  // the longer earlier name is gone whole
    EXPECT_EQ(entry.nKind, kWeiboRequest);

    EXPECT_FALSE(MakeEntry(kUploadRequest, u"/x", std::u16string(260, u'a'), entry));
    EXPECT_FALSE(MakeEntry(kUploadRequest, std::u16string(260, u'd'), u"a", entry));
    EXPECT_FALSE(MakeEntry(kUploadRequest, u"/x", std::u16string(u"a\0b", 3), entry));
    EXPECT_EQ(EntryPath(entry), u"/short/b");  // untouched by the refusals
}

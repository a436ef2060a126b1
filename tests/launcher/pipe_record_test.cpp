#include "launcher/pipe_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using intake::UploadRequestEntry;
using launcher::CheckPipeRecord;
using launcher::RecordBytes;

namespace {

UploadRequestEntry Entry(int32_t kind, std::u16string_view dir, std::u16string_view name) {
    UploadRequestEntry entry;
    EXPECT_TRUE(intake::MakeEntry(kind, dir, name, entry));
    return entry;
}

// The problem found in a record, "" when it is taken.
std::u16string ProblemOf(const UploadRequestEntry& record) {
    UploadRequestEntry read;
    return CheckPipeRecord(RecordBytes(record), read);
}

}  // namespace

TEST(PipeRecord, AWellFormedRecordIsTakenAsItIs) {
    const UploadRequestEntry sent =
        Entry(intake::kShareLinkRequest, u"/home/李/图片", u"Photos/2011/a.jpg");
    UploadRequestEntry read;
    EXPECT_EQ(CheckPipeRecord(RecordBytes(sent), read), u"");
    EXPECT_EQ(std::memcmp(&read, &sent, sizeof(read)), 0);
    // A file in "/" has the directory "".
    EXPECT_EQ(ProblemOf(Entry(intake::kUploadRequest, u"", u"a.txt")), u"");
    // A name of 259 units fills its field but keeps the terminator.
    EXPECT_EQ(ProblemOf(Entry(intake::kWeiboRequest, u"/d", std::u16string(259, u'n'))), u"");
}

TEST(PipeRecord, MessagesOfAnotherSizeAreNoRecords) {
    const UploadRequestEntry entry = Entry(1, u"/d", u"a");
    UploadRequestEntry read;
    const auto bytes = RecordBytes(entry);
    EXPECT_NE(CheckPipeRecord(bytes.first(1043), read), u"");
    std::vector<char> longer(bytes.begin(), bytes.end());
    longer.push_back('\0');
    EXPECT_NE(CheckPipeRecord(longer, read), u"");
    EXPECT_NE(CheckPipeRecord({}, read), u"");
}

TEST(PipeRecord, MalformedKindsAndFieldsAreRefused) {
    for (const int32_t kind : {0, 4, -1, 0x7fffffff}) {
        UploadRequestEntry entry = Entry(1, u"/d", u"a");
        entry.nKind = kind;
        EXPECT_EQ(ProblemOf(entry).rfind(u"unknown request kind", 0), 0u) << kind;
    }

    UploadRequestEntry unterminated = Entry(1, u"/d", u"a");
    std::fill(std::begin(unterminated.szDir), std::end(unterminated.szDir), u'x');
    EXPECT_EQ(ProblemOf(unterminated), u"the directory has no terminator within 260 units");

    UploadRequestEntry tail = Entry(1, u"/d", u"a.txt");
    tail.szName[10] = u'x';  // text after the terminator: another reader may see "a.txt\0...x"
    EXPECT_EQ(ProblemOf(tail), u"the name holds text after a NUL");

    UploadRequestEntry lone = Entry(1, u"/d", u"a");
    lone.szName[0] = 0xD800;  // a high surrogate without its pair
    EXPECT_EQ(ProblemOf(lone), u"the name is not valid UTF-16");
    lone.szName[0] = 0xDC00;  // a low surrogate alone
    EXPECT_EQ(ProblemOf(lone), u"the name is not valid UTF-16");
    EXPECT_EQ(ProblemOf(Entry(1, u"/d", u"\U0001F600.png")), u"");  // a pair is fine

    EXPECT_EQ(ProblemOf(Entry(1, u"/d", u"")), u"the record names no file");
    EXPECT_EQ(ProblemOf(Entry(1, u"relative/dir", u"a")), u"the directory is not an absolute path");
}

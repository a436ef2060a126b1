// The segment list and the file digests.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "intake/upload_context.h"
#include "platform/input_file.h"
#include "platform/text.h"
#include "support/test_env.h"
#include "tools/md5.h"
#include "upload/digest.h"
#include "upload/file_digests.h"
#include "upload/segment_digester.h"
#include "upload/transfer.h"
#include "upload/upload_run.h"

namespace upload {
namespace {

std::string Md5(const std::string& text) {
    std::string hex;
    tools::Md5Hex(text.data(), text.size(), hex);
    return hex;
}

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

class FileTest : public ::testing::Test {
protected:
    // A run whose task's file holds the bytes, open as the driver leaves it.
    UploadRun& RunWith(const std::string& bytes) {
        norvel::test::WriteFile(m_Dir.File("f"), bytes);
        m_Task.m_Path = platform::Utf8ToWide(m_Dir.File("f"));
        m_Task.m_FileSize = bytes.size();
        m_Run.m_File = std::make_unique<platform::InputFile>();
        EXPECT_EQ(m_Run.m_File->Open(m_Task.m_Path), 0);
        return m_Run;
    }

    norvel::test::TempDir m_Dir;
    intake::UploadContext m_Task;
    UploadRun m_Run{m_Task};
};

TEST_F(FileTest, TwoWholeSegmentsAreTwoAndOneByteMoreMakesAThird) {
    const std::string bytes = Pattern(2 * 4000 + 1);
    UploadRun& run = RunWith(bytes.substr(0, 8000));
    ASSERT_TRUE(PushSegList(run, "4000"));
    EXPECT_EQ(run.m_SegSize, 4000u);
    ASSERT_EQ(run.m_Segments.size(), 2u);
    EXPECT_EQ(run.m_Segments[0].range, "0-3999");
    EXPECT_EQ(run.m_Segments[1].range, "4000-7999");
    EXPECT_EQ(run.m_Segments[1].size, 4000);
    EXPECT_EQ(run.m_Segments[1].fileid, Md5(bytes.substr(4000, 4000)));

    RunWith(bytes);
    ASSERT_TRUE(PushSegList(run, "4000"));
    ASSERT_EQ(run.m_Segments.size(), 3u);
    EXPECT_EQ(run.m_Segments[2].range, "8000-8000");
    EXPECT_EQ(run.m_Segments[2].size, 1);
    EXPECT_EQ(run.m_Segments[2].fileid, Md5(bytes.substr(8000)));

    RunWith(bytes.substr(0, 10));  // smaller than one segment
    ASSERT_TRUE(PushSegList(run, "4000"));
    ASSERT_EQ(run.m_Segments.size(), 1u);
    EXPECT_EQ(run.m_Segments[0].range, "0-9");
}

TEST_F(FileTest, SegmentSizesThatCannotCutTheFileAreRefused) {
    UploadRun& run = RunWith(Pattern(1000));
    for (const char* bad : {"0", "-4000", "", "abc", "2147483648", "99999999999999999999"})
        EXPECT_FALSE(PushSegList(run, bad)) << bad;
    RunWith(Pattern(kMaxSegments + 1));
    EXPECT_FALSE(PushSegList(run, "1"));  // one segment too many
    EXPECT_TRUE(run.m_Segments.empty());
    EXPECT_TRUE(PushSegList(run, "2"));
}

TEST_F(FileTest, ASegmentThatCannotBeReadWholeFailsTheList) {
    UploadRun& run = RunWith(Pattern(9000));
    run.m_Task.m_FileSize = 12000;  // the file shrank since it was measured
    EXPECT_FALSE(PushSegList(run, "4000"));
    EXPECT_TRUE(run.m_Segments.empty());
}

TEST_F(FileTest, WholeFileDigests) {
    norvel::test::WriteFile(m_Dir.File("empty"), "");
    std::string digest = "x";
    EXPECT_TRUE(FileMd5(platform::Utf8ToWide(m_Dir.File("empty")), digest));
    EXPECT_EQ(digest, "d41d8cd98f00b204e9800998ecf8427e");

    const std::string mebibyte = Pattern(kDigestStep);
    norvel::test::WriteFile(m_Dir.File("one"), mebibyte);
    EXPECT_TRUE(FileMd5(platform::Utf8ToWide(m_Dir.File("one")), digest));
    EXPECT_EQ(digest, Md5(mebibyte));
    const std::string more = Pattern(3 * kDigestStep + 5);
    norvel::test::WriteFile(m_Dir.File("more"), more);
    EXPECT_TRUE(FileMd5(platform::Utf8ToWide(m_Dir.File("more")), digest));
    EXPECT_EQ(digest, Md5(more));

    EXPECT_FALSE(FileMd5(platform::Utf8ToWide(m_Dir.File("none")), digest));
    EXPECT_EQ(digest, "");
}

TEST_F(FileTest, RangeDigestsOfTheOpenFile) {
    UploadRun& run = RunWith("abc");
    EXPECT_EQ(RangeDigest(run, "0-2"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(RangeDigest(run, "1-1"), Md5("b"));
    EXPECT_EQ(RangeDigest(run, "1-99"), Md5("bc"));  // past the end: the bytes that exist
    EXPECT_EQ(RangeDigest(run, "2-1"), "");

    // Without an open file the task's path is opened (and kept open by the run).
    run.m_File.reset();
    EXPECT_EQ(RangeDigest(run, "0-1"), Md5("ab"));
    EXPECT_TRUE(run.m_File);

    std::string digest;
    EXPECT_TRUE(FileRangeMd5(*run.m_File, 1, 2, digest));
    EXPECT_EQ(digest, Md5("bc"));
    EXPECT_FALSE(FileRangeMd5(*run.m_File, 1, 3, digest));  // one byte is missing
    EXPECT_EQ(digest, "");
}

// The whole-file digest and the segment digests taken in one read, across the pieces of
// the read (1 MiB) and with segment borders inside pieces; segments of a multiple of 64
// bytes go through both digests in one pass, others one after the other.
TEST_F(FileTest, OneReadDigestsTheFileAndItsSegments) {
    const std::string bytes = Pattern(2 * kDigestStep + 12345);
    UploadRun& run = RunWith(bytes);
    const auto segmentsOf = [&](uint64_t size) {
        std::vector<std::string> digests;
        for (size_t start = 0; start < bytes.size(); start += size)
            digests.push_back(Md5(bytes.substr(start, size)));
        return digests;
    };
    FileDigests digests;
    for (const uint64_t size : {uint64_t(64 * 5000), kDigestStep / 3 + 1}) {
        ASSERT_TRUE(DigestFile(*run.m_File, bytes.size(), size, digests));
        EXPECT_EQ(digests.whole, Md5(bytes)) << size;
        EXPECT_EQ(digests.segSize, size);
        EXPECT_EQ(digests.segments, segmentsOf(size)) << size;
    }
    const uint64_t S = kDigestStep / 3 + 1;
    const std::vector<std::string> expected = segmentsOf(S);
    ASSERT_TRUE(DigestSegments(*run.m_File, bytes.size(), S, digests.segments));
    EXPECT_EQ(digests.segments, expected);

    std::vector<std::string> again;
    ASSERT_TRUE(DigestSegments(*run.m_File, bytes.size(), S, again));
    EXPECT_EQ(again, expected);

    // One segment: its digest is the file's. No segment size: no segment digests.
    ASSERT_TRUE(DigestFile(*run.m_File, 100, 4000, digests));
    EXPECT_EQ(digests.segments, std::vector<std::string>{Md5(bytes.substr(0, 100))});
    ASSERT_TRUE(DigestFile(*run.m_File, bytes.size(), 0, digests));
    EXPECT_EQ(digests.whole, Md5(bytes));
    EXPECT_TRUE(digests.segments.empty());

    // A file shorter than it was measured fails, with or without segments.
    EXPECT_FALSE(DigestFile(*run.m_File, bytes.size() + 1, S, digests));
    EXPECT_TRUE(digests.whole.empty());
    again.clear();
    EXPECT_FALSE(DigestSegments(*run.m_File, bytes.size() + 1, S, again));
    EXPECT_TRUE(again.empty());
}

// Pieces the digester did not get cost only the segments they touch: those get no digest,
// every other segment (the short last one too) gets its own, and completing the list reads
// only the missing ones.
TEST_F(FileTest, PiecesNotHandedOverCostOnlyTheSegmentsTheyTouch) {
    const uint64_t S = 1000;
    const std::string bytes = Pattern(10 * S + 17);
    std::vector<std::string> expected;
    for (size_t start = 0; start < bytes.size(); start += S)
        expected.push_back(Md5(bytes.substr(start, S)));
    const auto data = reinterpret_cast<const unsigned char*>(bytes.data());

    // Pieces of 300 bytes; skipped: [0, 300) (segment 0), [2100, 2400) (segment 2) and
    // [4800, 5400) (across the border of segments 4 and 5).
    CSegmentDigester digester(bytes.size(), S);
    for (uint64_t at = 0; at < bytes.size(); at += 300) {
        const bool skipped = at == 0 || at == 2100 || at == 4800 || at == 5100;
        if (!skipped)
            digester.Feed(at, data + at, std::min<size_t>(300, bytes.size() - at));
    }
    std::vector<std::string> found = digester.Finish();
    std::vector<std::string> want = expected;
    for (const size_t missing : {0, 2, 4, 5})
        want[missing].clear();
    EXPECT_EQ(found, want);

    UploadRun& run = RunWith(bytes);
    found[7] = "kept";  // a digest taken already is not read again
    ASSERT_TRUE(DigestSegments(*run.m_File, bytes.size(), S, found));
    want = expected;
    want[7] = "kept";
    EXPECT_EQ(found, want);
    // A list of another length is not the file's: every segment is read.
    found.resize(3);
    ASSERT_TRUE(DigestSegments(*run.m_File, bytes.size(), S, found));
    EXPECT_EQ(found, expected);
}

// The segment list takes the digests read with the file's MD5 when the service names the
// size they were taken for, and reads the file again only for another size.
TEST_F(FileTest, SegmentListUsesTheDigestsTakenAheadForTheirSize) {
    const std::string bytes = Pattern(9000);
    UploadRun& run = RunWith(bytes);
    run.m_SegDigestSize = 4000;
    run.m_SegDigests = {"a", "b", "c"};  // marks: not what the file holds
    ASSERT_TRUE(PushSegList(run, "4000"));
    ASSERT_EQ(run.m_Segments.size(), 3u);
    EXPECT_EQ(run.m_Segments[2].fileid, "c");
    EXPECT_EQ(ExpectedSegmentSize(), 4000u);  // the size named last is expected next

    run.m_SegDigestSize = 4000;
    run.m_SegDigests = {"a", "b", "c"};
    ASSERT_TRUE(PushSegList(run, "5000"));
    ASSERT_EQ(run.m_Segments.size(), 2u);
    EXPECT_EQ(run.m_Segments[1].fileid, Md5(bytes.substr(5000)));
    RememberSegmentSize(16 << 20);
}

}  // namespace
}  // namespace upload

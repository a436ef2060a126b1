// The exact bytes of the upload requests: signature, form bodies, multipart head, header
// block, ranges.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "intake/upload_context.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "tools/md5.h"
#include "upload/byte_range.h"
#include "upload/request_params.h"
#include "upload/upload_run.h"

namespace upload {
namespace {

const std::string kFileId = "0123456789abcdef0123456789abcdef";
const std::string kSegId = "fedcba9876543210fedcba9876543210";

std::string Md5(const std::string& text) {
    std::string hex;
    tools::Md5Hex(text.data(), text.size(), hex);
    return hex;
}

class RequestBytes : public ::testing::Test {
protected:
    void SetUp() override {
        task.m_Dir = u"/home/u";
        task.m_Name = u"a b&c.txt";
        task.m_FileName = u"a b&c.txt";
        task.m_Path = u"/home/u/a b&c.txt";
        task.m_FileSize = 8388608;
        run.m_Secret = "S3";
        run.m_Tstr = "T1";
        run.m_FileEntry.m_Md5 = kFileId;
        run.m_Boundary = "----------7bAbCdEfGhIj";
        run.m_Segments = {{"11111111111111111111111111111111", "0-4194303", 4194304},
                          {kSegId, "4194304-8388607", 4194304}};
    }

    UploadRequestArgs Args(UploadRequestKind kind, std::string range = {}, std::string segId = {}) {
        UploadRequestArgs args;
        args.Kind = kind;
        args.Ts = "1330837567";
        args.Range = std::move(range);
        args.SegId = std::move(segId);
        if (kind == UploadRequestKind::Fast)
            args.Fcon = "c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0";
        args.Key = "k";
        return args;
    }

    intake::UploadContext task;
    UploadRun run{task};
};

TEST_F(RequestBytes, SignatureSortsTheParameterStringsAfterTheSecret) {
    // Fast on a segment: every kind of string at once, in the byte order of the strings
    // (kdw_fcon before kdw_fid, kdw_filename before kdw_fmt, kdw_pfid before kdw_range).
    const std::string expected =
        Md5("S3"
            "kdw_app1"
            "kdw_fconc0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0"
            "kdw_fid" +
            kSegId +
            "kdw_filenamea b&c.txt"
            "kdw_fmtJSON"
            "kdw_fsize4194304"
            "kdw_pfid" +
            kFileId +
            "kdw_pfsize8388608"
            "kdw_range0-1023"
            "kdw_tcon"
            "kdw_ts1330837567"
            "kdw_tstrT1"
            "kdw_ver1.0");
    EXPECT_EQ(BuildSignature(Args(UploadRequestKind::Fast, "0-1023", kSegId), run), expected);

    // Init of the whole file: no range, no content digest, no segment.
    EXPECT_EQ(
        BuildSignature(Args(UploadRequestKind::Init), run),
        Md5("S3kdw_app1kdw_fid" + kFileId +
            "kdw_filenamea "
            "b&c.txtkdw_fmtJSONkdw_fsize8388608kdw_tconkdw_ts1330837567kdw_tstrT1kdw_ver1.0"));
    // A block carries its range but no content digest.
    EXPECT_EQ(
        BuildSignature(Args(UploadRequestKind::Block, "0-99"), run),
        Md5("S3kdw_app1kdw_fid" + kFileId +
            "kdw_filenamea b&c.txtkdw_fmtJSONkdw_fsize8388608kdw_range0-99kdw_tconkdw_ts1330837567"
            "kdw_tstrT1kdw_ver1.0"));
    // The segment list of a SegInfo request is signed as it is sent.
    EXPECT_EQ(BuildSignature(Args(UploadRequestKind::SegInfo), run),
              Md5("S3kdw_app1kdw_fid" + kFileId +
                  "kdw_filenamea b&c.txtkdw_fmtJSONkdw_fsize8388608kdw_seglist" +
                  SegmentListText(run) + "kdw_tconkdw_ts1330837567kdw_tstrT1kdw_ver1.0"));
}

TEST_F(RequestBytes, FormBodiesOfTheControlRequests) {
    const std::string start =
        "kdw_app=1&kdw_ts=1330837567&kdw_fmt=JSON&kdw_ver=1.0&user_defined=&kdw_tcon=&kdw_tstr=T1"
        "&kdw_filename=a+b%26c%2Etxt";
    EXPECT_EQ(BuildFormBody(Args(UploadRequestKind::Init), run),
              start + "&kdw_fid=" + kFileId + "&kdw_fsize=8388608&kdw_key=k&");
    // The whole file's range follows the key's "&": the "&&" is part of the format.
    EXPECT_EQ(BuildFormBody(Args(UploadRequestKind::Fast, "0-4095"), run),
              start + "&kdw_fid=" + kFileId +
                  "&kdw_fsize=8388608&kdw_key=k&&kdw_range=0-4095&kdw_fcon="
                  "c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0&");
    EXPECT_EQ(BuildFormBody(Args(UploadRequestKind::Fast, "0-1023", kSegId), run),
              start + "&kdw_pfid=" + kFileId + "&kdw_pfsize=8388608&kdw_key=k&kdw_fid=" + kSegId +
                  "&kdw_fsize=4194304&kdw_range=0-1023&kdw_fcon=c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0&");
    EXPECT_EQ(BuildFormBody(Args(UploadRequestKind::SegInfo), run),
              start + "&kdw_fid=" + kFileId +
                  "&kdw_fsize=8388608&kdw_key=k&kdw_seglist=" + SegmentListText(run) + "&");
}

TEST_F(RequestBytes, SegmentListTextAsTheJsonWriterWritesIt) {
    EXPECT_EQ(SegmentListText(run),
              "[{ \"fileid\" : \"11111111111111111111111111111111\" , \"range\" : \"0-4194303\" },"
              "{ \"fileid\" : \"" +
                  kSegId + "\" , \"range\" : \"4194304-8388607\" }]");
    run.m_Segments.clear();
    EXPECT_EQ(SegmentListText(run), "[]");
}

TEST_F(RequestBytes, MultipartHeadOfABlockOfTheWholeFile) {
    const std::string D = "------------7bAbCdEfGhIj";
    auto field = [&](const std::string& name, const std::string& value) {
        return "\r\n" + D + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
               value;
    };
    const std::string expected =
        D + "\r\nContent-Disposition: form-data; name=\"kdw_app\"\r\n\r\n1\r\n" + D +
        "\r\nContent-Disposition: form-data; name=\"kdw_ts\"\r\n\r\n1330837567" +
        field("kdw_fmt", "JSON") + field("kdw_ver", "1.0") + field("kdw_tcon", "") +
        field("kdw_tstr", "T1") + field("kdw_filename", "a b&c.txt") + field("kdw_range", "0-99") +
        field("kdw_range", "0-99") + field("kdw_fid", kFileId) + field("kdw_fsize", "8388608") +
        field("kdw_key", "k") + "\r\n" + D +
        "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"/home/u/a b&c.txt\r\n"
        "Content-Type: application/octet-stream\r\n\r\n";
    EXPECT_EQ(BuildMultipartHead(Args(UploadRequestKind::Block, "0-99"), run), expected);
    EXPECT_EQ(MultipartClosing(run), "\r\n" + D + "--\r\n");

    const std::string segmentHead =
        BuildMultipartHead(Args(UploadRequestKind::Block, "0-99", kSegId), run);
    EXPECT_NE(segmentHead.find(field("kdw_range", "0-99") + field("kdw_pfid", kFileId) +
                               field("kdw_pfsize", "8388608") + field("kdw_fid", kSegId) +
                               field("kdw_fsize", "4194304") + field("kdw_key", "k")),
              std::string::npos);
}

TEST_F(RequestBytes, NamesWithLineEndsCannotEndALineOfTheHead) {
    task.m_FileName = u"evil\r\nab.txt";
    task.m_Path = u"/tmp/evil\r\nab.txt";
    EXPECT_EQ(ProtocolFileName(task), "evil??ab.txt");
    const std::string head = BuildMultipartHead(Args(UploadRequestKind::Block, "0-9"), run);
    EXPECT_NE(head.find("filename=\"/tmp/evil??ab.txt\r\n"), std::string::npos);
    EXPECT_EQ(head.find("evil\r"), std::string::npos);
    // The name is signed as it is sent.
    EXPECT_NE(
        BuildFormBody(Args(UploadRequestKind::Init), run).find("kdw_filename=evil%3F%3Fab%2Etxt&"),
        std::string::npos);
}

TEST_F(RequestBytes, HeaderBlockNamesTheContentTypeTwice) {
    const std::string base = platform::WideToAnsi(settings::GetHeaderText());
    ASSERT_NE(base.find("Content-Type: application/x-www-form-urlencoded\r\n"), std::string::npos);
    EXPECT_EQ(BuildHeaders(UploadRequestKind::Block, run),
              base + "Content-Type: multipart/form-data; boundary=----------7bAbCdEfGhIj\r\n");
    EXPECT_EQ(BuildHeaders(UploadRequestKind::Init, run),
              base + "Content-Type: application/x-www-form-urlencoded\r\n");
}

TEST(ByteRanges, RebasingOntoASegmentGivesAbsoluteOffsets) {
    EXPECT_EQ(RebaseRange("0-1023", "4194304-8388607"), "4194304-4195327");
    EXPECT_EQ(RebaseRange("10-20", "0-99"), "10-20");
    // Offsets above 999999999 are written in full.
    EXPECT_EQ(RebaseRange("1000-5000000000", "4294967296-9999999999"), "4294968296-9294967296");
    EXPECT_EQ(RebaseRange("0-1", "18446744073709551615-18446744073709551615"), "");
    EXPECT_EQ(RebaseRange("5-3", "0-99"), "");
}

TEST(ByteRanges, OnlyTwoDecimalsInOrderAreARange) {
    EXPECT_EQ(ParseByteRange("0-0"), (ByteRange{0, 0}));
    EXPECT_EQ(ParseByteRange("4096-8191")->Length(), 4096u);
    EXPECT_EQ(ParseByteRange("12345678901-12345678902")->Text(), "12345678901-12345678902");
    for (const char* bad : {"", "-", "1", "-5", "5-", "a-b", "1-2-3", " 1-2", "1-2 ", "+1-2", "9-8",
                            "99999999999999999999-1"})
        EXPECT_FALSE(ParseByteRange(bad)) << bad;
}

}  // namespace
}  // namespace upload

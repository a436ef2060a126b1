// Files above the segment threshold end to end: the segment list, blocks per segment with
// the service moving from segment to segment, and a file whose segments the service holds
// already (a content check on a segment).

#include "engine_fixture.h"
#include "upload/driver.h"
#include "upload/result_codes.h"
#include "upload/upload_run.h"

namespace upload_test {
namespace {

class SegmentsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        UseBlocks(1000, 5000, 4000);
    }

    // The "kdw_fid" field of each block request, in order.
    std::vector<std::string> BlockSegments() {
        std::vector<std::string> ids;
        const std::string marker = "name=\"kdw_fid\"\r\n\r\n";
        for (const auto& request : RequestsTo("/up/up_blk")) {
            const size_t at = request.body.find(marker);
            if (at != std::string::npos)
                ids.push_back(request.body.substr(at + marker.size(), 32));
        }
        return ids;
    }
};

TEST_F(SegmentsTest, ALargeFileGoesSegmentBySegmentAsTheServiceNamesThem) {
    const std::string content = SampleBytes(10000, 7);
    MakeFile("large.bin", content);
    auto task = MakeTask("large.bin");
    upload::UploadRun run(*task);

    EXPECT_EQ(upload::RunUpload(run), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    EXPECT_EQ(task->m_DoneSize, content.size());
    EXPECT_EQ(run.m_SegSize, 4000u);
    ASSERT_EQ(run.m_Segments.size(), 3u);
    const std::string seg0 = Md5Of(content.substr(0, 4000));
    const std::string seg1 = Md5Of(content.substr(4000, 4000));
    const std::string seg2 = Md5Of(content.substr(8000));
    EXPECT_EQ(run.m_Segments[2].fileid, seg2);
    EXPECT_EQ(run.m_Segments[2].size, 2000);

    const auto seginfo = RequestsTo("/up/up_seginfo");
    ASSERT_EQ(seginfo.size(), 1u);
    EXPECT_EQ(seginfo[0].target, "/up/up_seginfo");
    for (const std::string& id : {seg0, seg1, seg2})
        EXPECT_NE(seginfo[0].body.find("\"fileid\" : \"" + id + "\""), std::string::npos);
    // Four blocks of the first segment, then the service names the second, then the third.
    EXPECT_EQ(BlockSegments(), (std::vector<std::string>{seg0, seg0, seg0, seg0, seg1, seg1, seg1,
                                                         seg1, seg2, seg2}));
    EXPECT_EQ(BlockBytesSent(), content.size());
    EXPECT_TRUE(ServiceHolds(content));
    EXPECT_EQ(RemoteMd5("/large.bin"), Md5Of(content));
}

TEST_F(SegmentsTest, SegmentsOfEqualContentAreSentOnce) {
    const std::string content = std::string(12000, '\0') + SampleBytes(100, 8);
    MakeFile("zeros.bin", content);
    auto task = MakeTask("zeros.bin");
    upload::UploadRun run(*task);

    EXPECT_EQ(upload::RunUpload(run), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    ASSERT_EQ(run.m_Segments.size(), 4u);
    EXPECT_EQ(run.m_Segments[0].fileid, run.m_Segments[2].fileid);
    EXPECT_EQ(BlockBytesSent(), 4000u + 100u);
    EXPECT_TRUE(ServiceHolds(content));
}

TEST_F(SegmentsTest, SegmentsTheServiceHoldsAreOfferedByTheirDigestOnly) {
    const std::string a = SampleBytes(4000, 9);
    const std::string b = SampleBytes(4000, 10);
    MakeFile("ab.bin", a + b);
    MakeFile("ba.bin", b + a);
    auto first = MakeTask("ab.bin");
    ASSERT_EQ(upload::UploadFile(*first), upload::kUploadOk);
    m_Service->ClearRequests();

    auto task = MakeTask("ba.bin");
    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    EXPECT_EQ(task->m_DoneSize, 8000u);
    EXPECT_EQ(CountRequests("/up/up_blk"), 0u);
    const auto retcon = RequestsTo("/up/up_retcon");
    ASSERT_EQ(retcon.size(), 1u);
    EXPECT_NE(retcon[0].body.find("&kdw_pfid=" + Md5Of(b + a) + "&kdw_pfsize=8000&"),
              std::string::npos);
    EXPECT_NE(retcon[0].body.find("&kdw_fid=" + Md5Of(b) + "&kdw_fsize=4000&kdw_range="),
              std::string::npos);
    EXPECT_TRUE(ServiceHolds(b + a));
    EXPECT_EQ(RemoteMd5("/ba.bin"), Md5Of(b + a));
}

}  // namespace
}  // namespace upload_test

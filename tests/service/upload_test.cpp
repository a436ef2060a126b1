// The upload dialogue over HTTP: blocks, fast upload by content already held, content
// proofs, segments (with segments already held skipped), resume, key and digest checks.

#include <sstream>

#include "service_client.h"
#include "support/test_env.h"

namespace norvel::test {
namespace {

class UploadTest : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        ASSERT_TRUE(service.SetSwitch("block_size", "1000"));
        ASSERT_TRUE(service.SetSwitch("segment_threshold", "10000"));
        ASSERT_TRUE(service.SetSwitch("segment_size", "4000"));
        ASSERT_TRUE(LoginAlice());
        const auto ticket = client.Authorize();
        ASSERT_TRUE(ticket);
        m_Ticket = *ticket;
    }

    CUploadDriver Driver(const std::string& content, const std::string& name = "a b&c.txt") {
        return CUploadDriver(service, m_Ticket, name, content);
    }

    CTestClient::Ticket OtherUsersTicket(const std::string& name) {
        EXPECT_TRUE(service.AddUser(name, "pw"));
        CTestClient other(service);
        EXPECT_TRUE(other.Register());
        EXPECT_TRUE(other.Login(name, "pw"));
        return other.Authorize().value_or(CTestClient::Ticket{});
    }

    CTestClient::Ticket m_Ticket;
};

TEST_F(UploadTest, AuthorizationNamesThisServiceAsUploadHost) {
    EXPECT_EQ(m_Ticket.host, service.HostPort());
    EXPECT_EQ(client.Authorize()->tstr, m_Ticket.tstr);  // one ticket per account
    const auto anonymous = client.Authorize("PC01");
    ASSERT_TRUE(anonymous);
    EXPECT_NE(anonymous->tstr, m_Ticket.tstr);
    EXPECT_EQ(client.Authorize("PC01")->tstr, anonymous->tstr);
    EXPECT_EQ(client.Call("/app/pc/sync.upauth.php", "token=" + client.token + "&uid=999").status,
              400);
    EXPECT_EQ(client.Call("/app/pc/sync.upauth.php", "token=nope&uid=" + client.uid).status, 400);
}

TEST_F(UploadTest, NewFileGoesInBlocksEachReplyNamingTheNext) {
    const std::string content = SampleBytes(2500, 1);
    CUploadDriver driver = Driver(content);
    const auto init = ReplyJson(driver.Init());
    EXPECT_EQ(init.Text("kdw_upcmd"), "REQTBLK");
    EXPECT_EQ(init.Text("kdw_range"), "0-999");
    const auto first = ReplyJson(driver.Block("", "0-999"));
    EXPECT_EQ(first.Text("kdw_upcmd"), "REQTBLK");
    EXPECT_EQ(first.Text("kdw_range"), "1000-1999");
    EXPECT_EQ(first.Text("kdw_fid"), Md5(content));
    EXPECT_EQ(first.Find("kdw_fstat")->Text("RSIZE"), "1000");
    const auto result = driver.Run();
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.blockRanges, (std::vector<std::string>{":1000-1999", ":2000-2499"}));
    EXPECT_EQ(result.path.rfind("/f/", 0), 0u) << result.path;
}

TEST_F(UploadTest, ContentAlreadyHeldFinishesAtOnceForItsOwner) {
    const std::string content = SampleBytes(1500, 2);
    const auto first = Driver(content).Run();
    ASSERT_TRUE(first.finished);
    const auto again = Driver(content, "copy.txt").Run();
    EXPECT_TRUE(again.finished);
    EXPECT_EQ(again.commands, std::vector<std::string>{"UPSTAT"});
    EXPECT_EQ(again.path, first.path);
}

TEST_F(UploadTest, ContentHeldForOthersMustBeProvedByTheRangeDigest) {
    const std::string content = SampleBytes(9000, 3);
    ASSERT_TRUE(Driver(content).Run().finished);
    CUploadDriver bob(service, OtherUsersTicket("bob"), "x.bin", content);
    const auto proved = bob.Run();
    EXPECT_TRUE(proved.finished);
    EXPECT_EQ(proved.commands, (std::vector<std::string>{"REQTCON", "UPSTAT"}));
    EXPECT_TRUE(proved.blockRanges.empty());

    // Someone who knows only the digest cannot prove the content: the service asks for
    // the content itself, and the final check refuses what does not match.
    const std::string fake = SampleBytes(content.size(), 33);
    CUploadDriver carol(service, OtherUsersTicket("carol"), "x.bin", fake);
    carol.fileId = Md5(content);
    const auto refused = carol.Run();
    EXPECT_FALSE(refused.finished);
    EXPECT_EQ(refused.commands.front(), "REQTCON");
    EXPECT_EQ(refused.commands[1], "REQTBLK");
    EXPECT_EQ(refused.failStatus, 400);
}

TEST_F(UploadTest, ProofSwitch) {
    const std::string content = SampleBytes(1200, 4);
    ASSERT_TRUE(Driver(content).Run().finished);
    ASSERT_TRUE(service.SetSwitch("proof", "always"));
    EXPECT_EQ(Driver(content).Run().commands, (std::vector<std::string>{"REQTCON", "UPSTAT"}));
    ASSERT_TRUE(service.SetSwitch("proof", "never"));
    CUploadDriver bob(service, OtherUsersTicket("bob"), "x.bin", content);
    EXPECT_EQ(bob.Run().commands, std::vector<std::string>{"UPSTAT"});
}

TEST_F(UploadTest, LargeFileGoesInSegmentsAndHeldSegmentsAreSkipped) {
    const std::string content = SampleBytes(10500, 5);
    // The middle segment (4000-7999) is already held: uploaded once as a file of its own.
    ASSERT_TRUE(Driver(content.substr(4000, 4000), "middle.bin").Run().finished);
    CUploadDriver driver = Driver(content, "big.bin");
    const auto result = driver.Run();
    ASSERT_TRUE(result.finished) << result.failStatus;
    EXPECT_EQ(result.commands[0], "REQTSEG");
    ASSERT_EQ(driver.segments.size(), 3u);
    const std::string seg0 = driver.segments[0].fileId, seg2 = driver.segments[2].fileId;
    EXPECT_EQ(result.blockRanges,
              (std::vector<std::string>{seg0 + ":0-999", seg0 + ":1000-1999", seg0 + ":2000-2999",
                                        seg0 + ":3000-3999", seg2 + ":0-999", seg2 + ":1000-1999",
                                        seg2 + ":2000-2499"}));
    // The whole file is stored now.
    EXPECT_EQ(Driver(content, "again.bin").Run().commands, std::vector<std::string>{"UPSTAT"});
}

TEST_F(UploadTest, ShortLastSegmentTakesTheFirstRangeOfTheSegmentReply) {
    // The client sends the first block of each later segment with the range of the
    // segment-information reply, here longer than the last segment (500 bytes).
    const std::string content = SampleBytes(12500, 6);
    CUploadDriver driver = Driver(content, "big.bin");
    const auto result = driver.Run();
    ASSERT_TRUE(result.finished) << result.failStatus;
    EXPECT_EQ(result.blockRanges.back(), driver.segments[3].fileId + ":0-999");
    EXPECT_EQ(Driver(content, "again.bin").Run().commands, std::vector<std::string>{"UPSTAT"});
}

TEST_F(UploadTest, AllSegmentsHeldAsksForAProofOfOne) {
    const std::string content = SampleBytes(10200, 7);
    CUploadDriver partial = Driver(content, "big.bin");
    ASSERT_EQ(ReplyJson(partial.Init()).Text("kdw_upcmd"), "REQTSEG");
    ASSERT_EQ(ReplyJson(partial.SegInfo(4000)).Text("kdw_upcmd"), "REQTBLK");
    // Every segment arrives as content of its own first.
    for (const auto& segment : partial.segments)
        ASSERT_TRUE(Driver(content.substr(segment.start, segment.end - segment.start + 1), "s.bin")
                        .Run()
                        .finished);
    const auto result = Driver(content, "big.bin").Run();
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.commands, (std::vector<std::string>{"REQTSEG", "REQTCON", "UPSTAT"}));
}

TEST_F(UploadTest, InterruptedUploadResumesWhereTheServiceStopped) {
    const std::string content = SampleBytes(4200, 8);
    CUploadDriver first = Driver(content);
    ASSERT_EQ(ReplyJson(first.Init()).Text("kdw_range"), "0-999");
    ASSERT_EQ(ReplyJson(first.Block("", "0-999")).Text("kdw_range"), "1000-1999");
    ASSERT_EQ(ReplyJson(first.Block("", "1000-1999")).Text("kdw_range"), "2000-2999");
    ASSERT_TRUE(service.Restart());  // the data survives a restart; the switches do not
    ASSERT_TRUE(service.SetSwitch("block_size", "1000"));
    CTestClient::Ticket ticket = m_Ticket;
    CUploadDriver second(service, ticket, "a b&c.txt", content);
    const auto init = ReplyJson(second.Init());
    EXPECT_EQ(init.Text("kdw_range"), "2000-2999");
    const auto result = second.Run();
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.blockRanges,
              (std::vector<std::string>{":2000-2999", ":3000-3999", ":4000-4199"}));
}

TEST_F(UploadTest, SegmentedUploadResumesInsideASegment) {
    const std::string content = SampleBytes(10100, 9);
    CUploadDriver first = Driver(content, "big.bin");
    ASSERT_EQ(ReplyJson(first.Init()).Text("kdw_upcmd"), "REQTSEG");
    const auto seginfo = ReplyJson(first.SegInfo(4000));
    const std::string seg0 = first.segments[0].fileId;
    ASSERT_EQ(seginfo.Text("kdw_fid"), seg0);
    ASSERT_EQ(ReplyJson(first.Block(seg0, "0-999")).Text("kdw_range"), "1000-1999");
    const auto result = Driver(content, "big.bin").Run();
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.blockRanges.front(), seg0 + ":1000-1999");
    // The later segments start at 0 after the service corrected the range it was sent.
    EXPECT_EQ(result.blockRanges.back(), first.segments[2].fileId + ":2000-2099");
}

TEST_F(UploadTest, BlocksOutsideWhatIsHeldAreNotUsed) {
    const std::string content = SampleBytes(3000, 10);
    CUploadDriver driver = Driver(content);
    ASSERT_EQ(ReplyJson(driver.Init()).Text("kdw_range"), "0-999");
    const auto gap = ReplyJson(driver.Block("", "2000-2999"));
    EXPECT_EQ(gap.Text("kdw_range"), "0-999");  // nothing held beyond 0
    EXPECT_EQ(gap.Find("kdw_fstat")->Text("RSIZE"), "0");
    ASSERT_EQ(ReplyJson(driver.Block("", "0-999")).Text("kdw_range"), "1000-1999");
    const auto overlap = ReplyJson(driver.Block("", "500-1499"));
    EXPECT_EQ(overlap.Text("kdw_range"), "1500-2499");
    EXPECT_TRUE(driver.Run().finished);
}

TEST_F(UploadTest, WrongKeysAndUnknownTicketsAreRefused) {
    CUploadDriver driver = Driver(SampleBytes(2000, 11));
    driver.keyOverride = std::string(32, '0');
    EXPECT_EQ(driver.Init().status, 400);
    driver.keyOverride.clear();
    ASSERT_EQ(driver.Init().status, 200);
    driver.keyOverride = std::string(32, '0');
    EXPECT_EQ(driver.Block("", "0-999").status, 400);
    EXPECT_EQ(driver.Fast("", "0-9").status, 400);
    CUploadDriver stranger(service, CTestClient::Ticket{"no-such-ticket", "s", ""}, "a", "abc");
    EXPECT_EQ(stranger.Init().status, 400);
}

TEST_F(UploadTest, FinalDigestMustMatchTheFileId) {
    const std::string content = SampleBytes(1800, 12);
    CUploadDriver driver = Driver(content);
    driver.fileId = Md5("something else");
    const auto result = driver.Run();
    EXPECT_FALSE(result.finished);
    EXPECT_EQ(result.failStatus, 400);
    EXPECT_EQ(result.blockRanges.size(), 2u);
    EXPECT_EQ(ReplyJson(driver.Init()).Text("kdw_range"), "0-999");  // starts afresh
}

// The digest of a segment is taken while its blocks arrive: bytes that are not the
// segment's are refused when it completes, and the segment starts afresh.
TEST_F(UploadTest, SegmentBytesMustMatchTheSegmentId) {
    const std::string content = SampleBytes(10100, 15);
    CUploadDriver honest = Driver(content, "big.bin");
    ASSERT_EQ(ReplyJson(honest.Init()).Text("kdw_upcmd"), "REQTSEG");
    ASSERT_EQ(honest.SegInfo(4000).status, 200);
    CUploadDriver forger = Driver(SampleBytes(10100, 16), "big.bin");
    forger.fileId = Md5(content);
    forger.segments = honest.segments;
    const std::string seg0 = honest.segments[0].fileId;
    for (const char* range : {"0-999", "1000-1999", "2000-2999"})
        ASSERT_EQ(forger.Block(seg0, range).status, 200) << range;
    EXPECT_EQ(forger.Block(seg0, "3000-3999").status, 400);
    const auto result = honest.Run();
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.blockRanges.front(), seg0 + ":0-999");  // the segment starts afresh
}

// The segments are joined while the upload goes on; the joined file must still have the
// file id as its digest, and a file refused starts afresh and can then be sent whole.
TEST_F(UploadTest, JoinedSegmentsMustMatchTheFileId) {
    const std::string content = SampleBytes(12500, 17);
    CUploadDriver wrong = Driver(content, "big.bin");
    wrong.fileId = Md5("something else");
    const auto refused = wrong.Run();
    EXPECT_FALSE(refused.finished);
    EXPECT_EQ(refused.failStatus, 400);
    EXPECT_EQ(refused.blockRanges.size(), 13u);  // every block was sent once
    const auto result = Driver(content, "big.bin").Run();
    ASSERT_TRUE(result.finished) << result.failStatus;
    EXPECT_EQ(Driver(content, "again.bin").Run().commands, std::vector<std::string>{"UPSTAT"});
}

// The whole-file digest of a file sent in segments is taken from its blocks as they
// arrive: in the usual order no segment is read back, and the file is stored as its
// segments, byte for byte. A block with wrong bytes spoils its segment, which is sent
// again; the digest is then taken from what is stored, and the good file is accepted.
// Small blocks are digested as they are received, blocks of a MiB or more on a thread
// beside their receipt.
TEST_F(UploadTest, SegmentsAreJoinedFromTheirBlocksWithoutReadingThemBack) {
    const auto stored = [&](const std::string& md5) {
        const auto path = [&](const std::string& id) {
            return service.DataDir() + "/content/" + id.substr(0, 2) + "/" + id;
        };
        std::istringstream parts(ReadFile(path(md5) + ".parts"));
        std::string bytes, part, size;
        while (parts >> part >> size)
            bytes += ReadFile(path(part));
        return bytes;
    };
    unsigned seed = 21;
    for (const size_t block : {size_t(1024), size_t(1) << 20}) {
        SCOPED_TRACE(block);
        const size_t segment = 4 * block;
        ASSERT_TRUE(service.SetSwitch("block_size", std::to_string(block)));
        ASSERT_TRUE(service.SetSwitch("segment_size", std::to_string(segment)));
        ASSERT_TRUE(service.SetSwitch("segment_threshold", std::to_string(segment + 1)));
        const std::string content = SampleBytes(3 * segment + 1000, seed++);
        const int64_t readAtStart = service.JoinReadBack();
        const auto result = Driver(content, "big.bin").Run();
        ASSERT_TRUE(result.finished) << result.failStatus;
        EXPECT_EQ(result.blockRanges.size(), 13u);
        EXPECT_EQ(service.JoinReadBack(), readAtStart);
        EXPECT_TRUE(stored(Md5(content)) == content);

        const std::string second = SampleBytes(content.size(), seed++);
        const int64_t readBefore = service.JoinReadBack();
        CUploadDriver honest = Driver(second, "second.bin");
        ASSERT_EQ(ReplyJson(honest.Init()).Text("kdw_upcmd"), "REQTSEG");
        ASSERT_EQ(honest.SegInfo(segment).status, 200);
        CUploadDriver forger = Driver(SampleBytes(second.size(), seed++), "second.bin");
        forger.fileId = Md5(second);
        forger.segments = honest.segments;
        const std::string seg0 = honest.segments[0].fileId, seg1 = honest.segments[1].fileId;
        const auto range = [&](size_t i) {
            return std::to_string(i * block) + "-" + std::to_string((i + 1) * block - 1);
        };
        for (size_t i = 0; i < 4; ++i)
            ASSERT_EQ(honest.Block(seg0, range(i)).status, 200) << range(i);
        ASSERT_EQ(honest.Block(seg1, range(0)).status, 200);
        ASSERT_EQ(forger.Block(seg1, range(1)).status, 200);
        ASSERT_EQ(honest.Block(seg1, range(2)).status, 200);
        EXPECT_EQ(honest.Block(seg1, range(3)).status, 400);
        const auto resumed = honest.Run();
        ASSERT_TRUE(resumed.finished) << resumed.failStatus;
        EXPECT_EQ(resumed.blockRanges.front(), seg1 + ":" + range(0));
        EXPECT_TRUE(stored(Md5(second)) == second);
        // The first two segments at least were read back from what is stored.
        const int64_t readBack = service.JoinReadBack() - readBefore;
        EXPECT_GE(readBack, int64_t(2 * segment));
        EXPECT_LE(readBack, int64_t(second.size()));
    }
}

TEST_F(UploadTest, SegmentListMustMatchTheFile) {
    const std::string content = SampleBytes(10300, 13);
    CUploadDriver driver = Driver(content, "big.bin");
    ASSERT_EQ(ReplyJson(driver.Init()).Text("kdw_upcmd"), "REQTSEG");
    EXPECT_EQ(driver.SegInfo(3000).status, 400);  // segments of another size
    EXPECT_EQ(ReplyJson(driver.SegInfo(4000)).Text("kdw_upcmd"), "REQTBLK");
    CUploadDriver small = Driver(SampleBytes(500, 14));
    EXPECT_EQ(small.SegInfo(4000).status, 400);  // no segmented upload started
}

TEST_F(UploadTest, SingleFileLimitAndEmptyFiles) {
    ASSERT_TRUE(service.AddUser("tiny", "pw", 100000, 1000));
    CTestClient tiny(service);
    ASSERT_TRUE(tiny.Register());
    ASSERT_TRUE(tiny.Login("tiny", "pw"));
    CUploadDriver big(service, *tiny.Authorize(), "big", SampleBytes(1001, 15));
    const auto refused = big.Init();
    EXPECT_EQ(refused.status, 400);
    EXPECT_EQ(ReplyJson(refused).Text("errno"), "8");
    EXPECT_EQ(Driver("").Init().status, 400);
    // Anonymous uploads know no single-file limit.
    CUploadDriver anonymous(service, *client.Authorize("PC01"), "anon.bin", SampleBytes(1500, 16));
    EXPECT_TRUE(anonymous.Run().finished);
}

}  // namespace
}  // namespace norvel::test

// The service's digests taken while blocks arrive, and the segments joined in the
// background, without HTTP.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "service/content_store.h"
#include "service/digest.h"
#include "service/running_digests.h"
#include "service/segment_joiner.h"
#include "support/test_env.h"

namespace norvel::service {
namespace {

// A running digest is handed on only to the block that continues exactly where it ends.
TEST(RunningDigests, OnlyTheBlockThatContinuesTheUnitGetsItsDigest) {
    CRunningDigests digests;
    auto md5 = digests.Take("unit", 0);
    ASSERT_TRUE(md5);  // a unit from its start gets a fresh digest
    md5->Update("abc");
    digests.Keep("unit", 3, std::move(md5));
    EXPECT_FALSE(digests.Take("unit", 2));  // another position: none, and the kept one is gone
    EXPECT_FALSE(digests.Take("unit", 3));

    md5 = digests.Take("unit", 0);
    md5->Update("abc");
    digests.Keep("unit", 3, std::move(md5));
    md5 = digests.Take("unit", 3);
    ASSERT_TRUE(md5);
    md5->Update("def");
    EXPECT_EQ(md5->FinishHex(), Md5Hex("abcdef"));
    EXPECT_FALSE(digests.Take("other", 5));
}

TEST(RunningDigests, TheOldestUnitsAreDroppedBeyondTheBound) {
    CRunningDigests digests;
    for (size_t i = 0; i <= CRunningDigests::kMostUnits; ++i)
        digests.Keep("unit" + std::to_string(i), 1, std::make_unique<CMd5Stream>());
    EXPECT_FALSE(digests.Take("unit0", 1));
    EXPECT_TRUE(digests.Take("unit1", 1));
    EXPECT_TRUE(digests.Take("unit" + std::to_string(CRunningDigests::kMostUnits), 1));
}

class SegmentJoinerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_Contents.Open(m_Dir.Path()), ""); }

    CJoinPart Store(const std::string& bytes) {
        const std::string md5 = Md5Hex(bytes);
        const std::string temp = m_Contents.NewTempPath();
        norvel::test::WriteFile(temp, bytes);
        EXPECT_TRUE(m_Contents.Adopt(temp, md5));
        return CJoinPart{md5, bytes.size()};
    }

    norvel::test::TempDir m_Dir;
    CContentStore m_Contents;
};

// The background thread joins the stored segments in order, as far as they are stored;
// the request that takes the join over adds the rest.
TEST_F(SegmentJoinerTest, StoredSegmentsAreJoinedInOrderAndTheRestByWhoTakesTheJoin) {
    CSegmentJoiner joiner(m_Contents);
    const CJoinPart first = Store("first-"), second = Store("second-");
    const CJoinPart third{Md5Hex("third"), 5};  // not stored yet
    const std::vector<CJoinPart> parts{first, second, third};
    joiner.SegmentStored(7, parts);
    std::unique_ptr<CJoin> join;
    for (int i = 0; i < 500; ++i) {  // the thread gets to it soon; the test waits at most 5 s
        join = joiner.Take(7, parts);
        ASSERT_TRUE(join);
        if (join->joined == 2)
            break;
        joiner.SegmentStored(7, parts);
        join.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(join);
    EXPECT_EQ(join->joined, 2u);  // stops before the segment that is not stored
    Store("third");
    ASSERT_TRUE(join->JoinNext(m_Contents));
    ASSERT_TRUE(join->writer.Close());
    EXPECT_EQ(join->md5.FinishHex(), Md5Hex("first-second-third"));
    EXPECT_EQ(norvel::test::ReadFile(join->tempPath), "first-second-third");

    // A join made for other parts is not handed out: the taker starts afresh.
    joiner.SegmentStored(8, {first});
    const auto fresh = joiner.Take(8, {second});
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->joined, 0u);
    EXPECT_EQ(fresh->parts, std::vector<CJoinPart>{second});
}

}  // namespace
}  // namespace norvel::service

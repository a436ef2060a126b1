// The service's digests taken while blocks arrive, the segments joined in the background,
// and contents stored as their parts, without HTTP.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "service/background_feed.h"
#include "service/content_reader.h"
#include "service/content_store.h"
#include "service/digest.h"
#include "service/file_writer.h"
#include "service/running_digests.h"
#include "service/segment_joiner.h"
#include "support/test_env.h"

namespace norvel::service {
namespace {

// Pieces of any size, across many buffers and ending in a part-filled one, reach the sink
// whole and in order by the time Finish() returns, also when the thread was released
// between them (it ends and starts again); a second Finish() has nothing to do.
TEST(BackgroundFeed, TheSinkHasEveryByteInOrderWhenFinishReturns) {
    const std::string bytes = test::SampleBytes(5 * CBackgroundFeed::kBufferSize + 12345, 7);
    std::string seen;
    CMd5Stream md5;
    CBackgroundFeed feed([&](const char* data, size_t length) {
        seen.append(data, length);
        md5.Update(data, length);
    });
    size_t at = 0, pieces = 0;
    for (size_t piece = 1; at < bytes.size(); piece = piece * 7 % 400009 + 1) {
        const size_t take = std::min(piece, bytes.size() - at);
        feed.Feed(bytes.data() + at, take);
        at += take;
        if (++pieces % 3 == 0)
            feed.Release();
    }
    feed.Finish();
    EXPECT_TRUE(seen == bytes);
    EXPECT_EQ(md5.FinishHex(), Md5Hex(bytes));
    feed.Finish();
    EXPECT_EQ(seen.size(), bytes.size());
}

// A unit's feed is handed on only to the block that continues exactly where it ends. A
// kept feed goes on digesting alone; the next block feeds on behind it, in the background
// or here, and the digest is of every byte in order.
TEST(RunningDigests, OnlyTheBlockThatContinuesTheUnitGetsItsFeed) {
    const std::string bytes = test::SampleBytes(3 * CBackgroundFeed::kBufferSize + 4321, 7);
    const size_t first = 2 * CBackgroundFeed::kBufferSize + 5, second = first + 1000;
    CRunningDigests digests;
    auto feed = digests.Take("unit", 0);
    ASSERT_TRUE(feed);  // a unit from its start gets a fresh feed
    feed->Feed(bytes.data(), first, true);
    digests.Keep("unit", first, std::move(feed));
    EXPECT_FALSE(digests.Take("unit", 2));  // another position: none, and the kept one is gone
    EXPECT_FALSE(digests.Take("unit", first));

    feed = digests.Take("unit", 0);
    feed->Feed(bytes.data(), first, true);
    digests.Keep("unit", first, std::move(feed));
    feed = digests.Take("unit", first);
    ASSERT_TRUE(feed);
    feed->Feed(bytes.data() + first, second - first, false);
    digests.Keep("unit", second, std::move(feed));
    feed = digests.Take("unit", second);
    ASSERT_TRUE(feed);
    feed->Feed(bytes.data() + second, bytes.size() - second, true);
    EXPECT_EQ(feed->Settled().FinishHex(), Md5Hex(bytes));
    EXPECT_FALSE(digests.Take("other", 5));
}

TEST(RunningDigests, TheOldestUnitsAreDroppedBeyondTheBound) {
    CRunningDigests digests;
    for (size_t i = 0; i <= CRunningDigests::kMostUnits; ++i)
        digests.Keep("unit" + std::to_string(i), 1, std::make_unique<CUnitFeed>());
    EXPECT_FALSE(digests.Take("unit0", 1));
    EXPECT_TRUE(digests.Take("unit1", 1));
    EXPECT_TRUE(digests.Take("unit" + std::to_string(CRunningDigests::kMostUnits), 1));
}

// A block's body arrives in small pieces: they reach the file in large writes (nothing is
// written before a megabyte is gathered), at the offset, after the bytes already there.
TEST(FileWriter, SmallPiecesGoToTheFileInLargeWritesAtTheOffset) {
    test::TempDir dir;
    const std::string path = dir.File("partial");
    test::WriteFile(path, "kept!");
    const std::string bytes = test::SampleBytes(64 * 4096, 7);
    CFileWriter writer;
    ASSERT_TRUE(writer.Open(path, 5));
    for (size_t at = 0; at < bytes.size(); at += 4096)
        ASSERT_TRUE(writer.Write(bytes.data() + at, 4096));
    EXPECT_EQ(std::filesystem::file_size(path), 5u);
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(test::ReadFile(path), "kept!" + bytes);
}

// Bytes written from an aligned position go past the page cache in whole megabytes while
// the file system allows it; the unaligned end goes through it. The file holds exactly the
// old bytes before the position, the new ones, and the old ones after them.
TEST(FileWriter, AlignedWritesGoDirectAndTheEndFollowsThroughTheCache) {
    test::TempDir dir;
    const std::string path = dir.File("partial");
    const std::string before(4096, 'b'), after(9000, 'a');
    const std::string bytes = test::SampleBytes((1 << 20) + 3 * 4096 + 100, 3);
    test::WriteFile(path, before + std::string(bytes.size(), '-') + after);
    CFileWriter writer;
    ASSERT_TRUE(writer.Open(path, before.size()));
    const bool direct = writer.Direct();  // false on a file system without direct writes
    for (size_t at = 0; at < bytes.size(); at += 3000)
        ASSERT_TRUE(writer.Write(bytes.data() + at, std::min<size_t>(3000, bytes.size() - at)));
    EXPECT_EQ(writer.Direct(), direct) << "the first megabyte fell back to the page cache";
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(test::ReadFile(path), before + bytes + after);
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
    EXPECT_EQ(join->md5.FinishHex(), Md5Hex("first-second-third"));

    // A join made for other parts is not handed out: the taker starts afresh.
    joiner.SegmentStored(8, {first});
    const auto fresh = joiner.Take(8, {second});
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->joined, 0u);
    EXPECT_EQ(fresh->parts, std::vector<CJoinPart>{second});
}

// Bytes fed to a join as blocks arrive count only for a part that completes through its
// blocks: such a part is joined without reading it back. A part fed half and then found
// stored is read again whole, so fed bytes that were not the stored ones never count.
TEST_F(SegmentJoinerTest, FedPartsAreNotReadBackAndHalfFedOnesAreReadAgainWhole) {
    CSegmentJoiner joiner(m_Contents);
    const std::string a(200, 'a'), b = "second part, not a multiple of 64 long", c = "third";
    const CJoinPart first = Store(a), second = Store(b), third{Md5Hex(c), c.size()};
    const std::vector<CJoinPart> parts{first, second, third};

    EXPECT_FALSE(joiner.TakeAt(3, parts, 1, 0));  // no join yet: only the file's start makes one
    auto join = joiner.TakeAt(3, parts, 0, 0);
    ASSERT_TRUE(join);
    CMd5Stream segment;
    join->Feed(segment, a.data(), 70);
    join->Feed(segment, a.data() + 70, 130);
    EXPECT_EQ(segment.FinishHex(), first.fileId);
    join->PartChecked();
    CMd5Stream other;
    join->Feed(other, "not the stored bytes", 20);
    joiner.Keep(3, std::move(join));
    EXPECT_FALSE(joiner.TakeAt(3, parts, 1, 30));  // not where the join stands: it stays
    EXPECT_FALSE(joiner.TakeAt(3, parts, 2, 0));
    join = joiner.TakeAt(3, parts, 1, 20);
    ASSERT_TRUE(join);
    EXPECT_EQ(join->into, 20u);
    joiner.Keep(3, std::move(join));

    // The second part is stored from elsewhere: it is read back from its start.
    Store(c);
    joiner.SegmentStored(3, parts);
    join = joiner.Take(3, parts);
    ASSERT_TRUE(joiner.JoinRest(*join));
    EXPECT_EQ(join->md5.FinishHex(), Md5Hex(a + b + c));
    EXPECT_EQ(joiner.BytesReadBack(), b.size() + c.size());

    // A block that writes again below what the join took drops it; the file's start then
    // gets a fresh one.
    join = joiner.TakeAt(4, parts, 0, 0);
    ASSERT_TRUE(join);
    join->Feed(other, a.data(), 100);
    joiner.Keep(4, std::move(join));
    EXPECT_FALSE(joiner.TakeAt(4, parts, 1, 0));
    join = joiner.TakeAt(4, parts, 0, 0);
    ASSERT_TRUE(join);
    EXPECT_EQ(join->into, 0u);
    join->Feed(other, a.data(), 100);
    joiner.Keep(4, std::move(join));
    EXPECT_FALSE(joiner.TakeAt(4, parts, 0, 50));  // rewritten from 50: dropped
    EXPECT_FALSE(joiner.TakeAt(4, parts, 0, 100));
}

// A content stored as parts is read across them as one file, and is held only while each
// part is held with its size; a part that is itself stored as parts is listed as its own.
TEST_F(SegmentJoinerTest, ContentStoredAsPartsReadsAsOneFile) {
    const CJoinPart first = Store("first-"), second = Store("second-"), third = Store("third");
    const std::string inner = Md5Hex("first-second-");
    ASSERT_TRUE(m_Contents.AdoptParts({first, second}, inner));
    const std::string outer = Md5Hex("first-second-third");
    ASSERT_TRUE(m_Contents.AdoptParts({{inner, 13}, third}, outer));
    EXPECT_EQ(norvel::test::ReadFile(m_Contents.PartsPath(outer)),
              first.fileId + " 6\n" + second.fileId + " 7\n" + third.fileId + " 5\n");

    const auto pieces = m_Contents.Pieces(outer);
    ASSERT_TRUE(pieces);
    EXPECT_EQ(ContentRangeMd5(*pieces, 0), outer);
    EXPECT_EQ(ContentRangeMd5(*pieces, 4, 7), Md5Hex("t-secon"));  // across a part's end
    EXPECT_EQ(ContentRangeMd5(*pieces, 13), Md5Hex("third"));
    EXPECT_EQ(ContentRangeMd5(*pieces, 18, 0), Md5Hex(""));
    EXPECT_FALSE(ContentRangeMd5(*pieces, 12, 7));  // beyond the end
    EXPECT_FALSE(ContentRangeMd5(*pieces, 19));
    CContentReader reader;
    ASSERT_TRUE(reader.Open(*pieces, 2));
    std::string read;
    char buffer[4];
    for (size_t got; (got = reader.Read(buffer, sizeof buffer)) > 0;)
        read.append(buffer, got);
    EXPECT_EQ(read, "rst-second-third");

    // A part of another size, or missing, leaves the content not held.
    const std::string third2 = m_Contents.ContentPath(third.fileId);
    norvel::test::WriteFile(third2, "third!");
    EXPECT_FALSE(m_Contents.HasContent(outer));
    std::filesystem::remove(third2);
    EXPECT_FALSE(m_Contents.HasContent(outer));
    EXPECT_TRUE(m_Contents.HasContent(inner));
    EXPECT_FALSE(m_Contents.AdoptParts({third}, Md5Hex("third")));  // parts not held
}

}  // namespace
}  // namespace norvel::service

// The speed and remaining time of a batch, on a clock the test moves.

#include <gtest/gtest.h>

#include "batch/media_files.h"
#include "batch/speed_sample.h"

namespace {

using batch::CSpeedSample;

class SpeedSampleTest : public ::testing::Test {
protected:
    uint64_t m_Now = 50000;
    CSpeedSample m_Sample{[this] { return m_Now; }};
};

TEST_F(SpeedSampleTest, ASampleWithinASecondKeepsTheLastValue) {
    m_Now += 2000;
    EXPECT_EQ(m_Sample.Sample(4000, 100000), 2000u);
    EXPECT_EQ(m_Sample.RemainingSeconds(), 48u);
    m_Now += 1000;  // exactly one second: not yet a new sample
    EXPECT_EQ(m_Sample.Sample(9000, 100000), 2000u);
    EXPECT_EQ(m_Sample.RemainingSeconds(), 48u);
    m_Now += 1;
    EXPECT_EQ(m_Sample.Sample(9000, 100000), 5000u);  // whole seconds: 5000 bytes over 1 s
}

TEST_F(SpeedSampleTest, NoNewBytesOrAFastUploadKeepTheLastValues) {
    m_Now += 1500;
    EXPECT_EQ(m_Sample.Sample(3000, 10000), 3000u);
    m_Now += 5000;
    EXPECT_EQ(m_Sample.Sample(3000, 10000), 3000u);        // nothing moved
    EXPECT_EQ(m_Sample.Sample(9000, 10000, true), 3000u);  // kept on request
    EXPECT_EQ(m_Sample.Sample(9000, 10000), 1200u);        // 6000 bytes over 5 s
}

TEST_F(SpeedSampleTest, FewerThan500BytesLeftIsNoTimeLeft) {
    m_Now += 2000;
    m_Sample.Sample(1000, 1400);
    EXPECT_EQ(m_Sample.Speed(), 500u);
    EXPECT_EQ(m_Sample.RemainingSeconds(), 0u);  // 400 bytes left
    m_Now += 2000;
    m_Sample.Sample(2000, 2500);
    EXPECT_EQ(m_Sample.RemainingSeconds(), 1u);  // 500 bytes left at 500 bytes a second
}

TEST_F(SpeedSampleTest, TheRemainingTimeIsCappedAtOneHundredHours) {
    m_Now += 10000;
    EXPECT_EQ(m_Sample.Sample(10, uint64_t(1) << 40), 1u);
    EXPECT_EQ(m_Sample.RemainingSeconds(), batch::kMaxRemainingSeconds);
}

TEST_F(SpeedSampleTest, AnAbsurdSpeedCountsAsNone) {
    m_Now += 1001;
    EXPECT_EQ(m_Sample.Sample(3000000000u, 4000000000u), 0u);
    m_Now += 2000;
    EXPECT_EQ(m_Sample.Sample(3000002000u, 4000000000u), 1000u);  // measured from there
}

TEST_F(SpeedSampleTest, ACounterThatWentBackStartsANewBase) {
    m_Now += 2000;
    m_Sample.Sample(8000, 20000);
    m_Now += 2000;
    EXPECT_EQ(m_Sample.Sample(100, 20000), 4000u);  // no underflow into an absurd figure
    m_Now += 2000;
    EXPECT_EQ(m_Sample.Sample(4100, 20000), 2000u);
}

TEST(MediaFilesTest, TheExtensionIsComparedWithoutCase) {
    EXPECT_TRUE(batch::IsMediaFile(u"clip.MKV"));
    EXPECT_TRUE(batch::IsMediaFile(u"a.b.divx"));
    EXPECT_TRUE(batch::IsMediaFile(u"song.Mp3"));
    EXPECT_FALSE(batch::IsMediaFile(u"mkv"));
    EXPECT_FALSE(batch::IsMediaFile(u"clip.mkv.txt"));
    EXPECT_FALSE(batch::IsMediaFile(u"clip."));
}

}  // namespace

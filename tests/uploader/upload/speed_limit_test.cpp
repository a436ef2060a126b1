// The upload speed cap: the cut of a range to ten seconds of data, the pacing of a
// block's pieces and the limit read from "LIMITSPEED".

#include <gtest/gtest.h>

#include "settings/registry_values.h"
#include "upload/engine_timings.h"
#include "upload/speed_limit.h"

namespace upload {
namespace {

TEST(SpeedCap, ARangeOfElevenSecondsOrMoreAtTheLimitIsCutToTen) {
    // 2 MiB at 100 KB/s would take 20 s: the block covers 0 to 1023999.
    EXPECT_EQ(CapRange("0-2097151", 100), "0-1023999");
    // Exactly 10 s (1,024,000 bytes) is not cut; 11 s (1,126,400 bytes) is.
    EXPECT_EQ(CapRange("0-1023999", 100), "0-1023999");
    EXPECT_EQ(CapRange("0-1126398", 100), "0-1126398");  // a byte short of 11 s
    EXPECT_EQ(CapRange("0-1126399", 100), "0-1023999");
    EXPECT_EQ(CapRange("5000000-9999999", 100), "5000000-6023999");
    // No cap, or nothing to cut.
    EXPECT_EQ(CapRange("0-2097151", 0), "0-2097151");
    EXPECT_EQ(CapRange("not a range", 100), "not a range");
    EXPECT_EQ(CapRange("0-99999999999", 10240), "0-104857599");
}

TEST(SpeedCap, PiecesArePacedToTheLimit) {
    const CSpeedPacer none(0);
    EXPECT_FALSE(none.Active());
    EXPECT_EQ(none.PieceSize(), 131072u);
    EXPECT_EQ(none.DelayMs(1 << 30, 0), 0u);

    const CSpeedPacer slow(100);          // 102400 bytes a second
    EXPECT_EQ(slow.PieceSize(), 25600u);  // a quarter of a second of data
    EXPECT_EQ(slow.DelayMs(102400, 0), 1000u);
    EXPECT_EQ(slow.DelayMs(102400, 400), 600u);
    EXPECT_EQ(slow.DelayMs(102400, 1500), 0u);  // behind the limit already
    EXPECT_EQ(slow.DelayMs(1, 0), 1u);          // rounded up
    EXPECT_EQ(CSpeedPacer(1).PieceSize(), 4096u);
    EXPECT_EQ(CSpeedPacer(10240).PieceSize(), 131072u);
}

TEST(SpeedCap, TheLimitIsTheUploadHalfOfTheSettingAndIsReadAgainWhenOld) {
    SetEngineTimings({.speedLimitRefreshMs = 3600000});
    ForgetUploadSpeedLimit();
    settings::WriteString(settings::kNorvelKey, settings::kLimitSpeed, u"512;64");
    EXPECT_EQ(UploadSpeedLimit(), 512u);
    settings::WriteString(settings::kNorvelKey, settings::kLimitSpeed, u"0;64");
    EXPECT_EQ(UploadSpeedLimit(), 512u);  // read less than an hour ago
    SetEngineTimings({.speedLimitRefreshMs = 0});
    EXPECT_EQ(UploadSpeedLimit(), 0u);
    settings::WriteString(settings::kNorvelKey, settings::kLimitSpeed, u"99999;1");
    EXPECT_EQ(UploadSpeedLimit(), 10240u);
    settings::DeleteValue(settings::kNorvelKey, settings::kLimitSpeed);
    EXPECT_EQ(UploadSpeedLimit(), 0u);
    SetEngineTimings({});
}

}  // namespace
}  // namespace upload

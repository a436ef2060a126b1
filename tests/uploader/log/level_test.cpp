// The level mask: where it comes from, what it lets through, and how the writer lowers it.

#include "log_test_support.h"

class LevelTest : public LogTest {
protected:
    // Writes a success and a failure of each type and returns what reached the file,
    // as "<type><+|->" items.
    std::string Passed(CLog& log) {
        for (int type : {L1_USR, L2_VIM, L3_KEY, L4_INF, L5_TRC}) {
            log.Write(type, u"E", true);
            log.Write(type, u"E", false);
        }
        log.RunWriterCycleNow();
        std::string passed;
        for (const std::string& line : Records(FilePath(0))) {
            passed += line.substr(line.find("][L") + 2, 6);
            passed += line.find("RESULT: TRUE") != std::string::npos ? "+ " : "- ";
        }
        return passed;
    }
};

TEST_F(LevelTest, WithoutAStoredLevelKeyFailuresAndLessPass) {
    auto log = MakeLog();
    EXPECT_EQ(log->Level(), S__NOT_INIT);
    // Mask 31: a failure of L3_KEY passes (bit 16), its success does not (bit 32).
    EXPECT_EQ(Passed(*log), "L1_USR+ L1_USR- L2_VIM+ L2_VIM- L3_KEY- ");
    EXPECT_EQ(log->Level(), S3_DEFAULT_KEY_ERR);
}

TEST_F(LevelTest, TheEntryNamedAfterThisLoggerCounts) {
    SetLevel(u"other-logger-=1023; norvel-uploader- = 15 ;xnorvel-uploader-=0");
    auto log = MakeLog();
    EXPECT_EQ(Passed(*log), "L1_USR+ L1_USR- L2_VIM+ L2_VIM- ");
    EXPECT_EQ(log->Level(), S2_VIM);
}

TEST_F(LevelTest, AMaskOfSingleBitsFiltersEachOutcomeApart) {
    SetLevel(u"norvel-uploader-=0101000110");  // decimal: 101000110 is far out of range
    auto log = MakeLog();
    EXPECT_FALSE(log->RefreshLevel(true));
    SetLevel(u"norvel-uploader-=326");  // 0101000110: bits 256, 64, 4 and 2
    EXPECT_TRUE(log->RefreshLevel(true));
    EXPECT_EQ(Passed(*log), "L1_USR+ L2_VIM- L4_INF- L5_TRC- ");
    EXPECT_EQ(LogLevelName(log->Level()), u"0101000110");
}

TEST_F(LevelTest, UnusableValuesLeaveTheMaskAsItWas) {
    auto log = MakeLog();
    SetLevel(u"norvel-uploader-=15");
    ASSERT_TRUE(log->RefreshLevel(true));
    for (const char16_t* text :
         {u"norvel-uploader-=2000", u"norvel-uploader-=-1", u"norvel-uploader-=",
          u"norvel-uploader-=abc", u"norvel-uploader-=99999999999999999999", u"other=3", u""}) {
        SetLevel(text);
        EXPECT_FALSE(log->RefreshLevel(true)) << platform::WideToUtf8(text);
        EXPECT_EQ(log->Level(), S2_VIM) << platform::WideToUtf8(text);
    }
    // An entry out of range on the first record: the default mask, as with none at all.
    SetLevel(u"norvel-uploader-=1024");
    auto fresh = MakeLog();
    fresh->Write(L3_KEY, u"E", false);
    EXPECT_EQ(fresh->Level(), S3_DEFAULT_KEY_ERR);
}

TEST_F(LevelTest, TheWriterRereadsTheLevelOnlyWhenItsTextChanged) {
    SetLevel(u"norvel-uploader-=1023");
    auto log = MakeLog();
    log->Write(L5_TRC, u"E", true);
    m_FreeMB = 20;  // short of space: the writer lowers the mask to 15
    log->RunWriterCycleNow();
    EXPECT_EQ(log->Level(), S2_VIM);
    m_FreeMB = 100000;
    log->RunWriterCycleNow();  // same text: the lowered mask stays
    EXPECT_EQ(log->Level(), S2_VIM);
    SetLevel(u"norvel-uploader-=255");  // a new text raises it again
    log->RunWriterCycleNow();
    EXPECT_EQ(log->Level(), S4_INF);
}

TEST_F(LevelTest, ShortDiskSpaceLowersTheMask) {
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", false);
    m_FreeMB = 8;
    log->RunWriterCycleNow();
    EXPECT_EQ(Records(FilePath(0)).size(), 1u);  // still written
    EXPECT_EQ(log->Level(), S2_VIM_ERR);

    // 5 MB or less: nothing is written, every later record is dropped, and what was
    // buffered waits for space.
    log->Write(L1_USR, u"E", false);
    m_FreeMB = 5;
    log->RunWriterCycleNow();
    EXPECT_EQ(log->Level(), S0_CLOSE_ALL);
    EXPECT_EQ(Records(FilePath(0)).size(), 1u);
    log->Write(L1_USR, u"Dropped", false);
    m_FreeMB = 100000;
    log->RunWriterCycleNow();
    const auto lines = Records(FilePath(0));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("[L1_USR][fn=2][RESULT: FALSE][E]"), std::string::npos);
    EXPECT_EQ(log->Level(), S0_CLOSE_ALL);
}

TEST_F(LevelTest, ShortDiskSpaceNeverRaisesALowerMask) {
    SetLevel(u"norvel-uploader-=3");
    auto log = MakeLog();
    log->Write(L1_USR, u"E", false);
    m_FreeMB = 20;  // allows up to 15, but the stored 3 is lower
    log->RunWriterCycleNow();
    EXPECT_EQ(log->Level(), S1_USR);
    SetLevel(u"norvel-uploader-=1021");  // 1111111101
    log->RunWriterCycleNow();
    EXPECT_EQ(log->Level(), 13);  // only bits that both masks hold
}

TEST(LogNamesTest, TypesAndMasksPrintTheirNames) {
    EXPECT_EQ(LogTypeName(L1_USR), u"L1_USR");
    EXPECT_EQ(LogTypeName(L5_TRC), u"L5_TRC");
    for (int other : {0, 1, 3, 16, 1024, -2})
        EXPECT_EQ(LogTypeName(other), u"UNKOWN");
    EXPECT_EQ(LogLevelName(-1), u"S__NOT_INIT");
    EXPECT_EQ(LogLevelName(0), u"S0_CLOSE_ALL");
    EXPECT_EQ(LogLevelName(31), u"S3_DEFAULT_KEY_ERR");
    EXPECT_EQ(LogLevelName(1023), u"S5_OPEN_ALL");
    EXPECT_EQ(LogLevelName(5), u"0000000101");
    EXPECT_EQ(LogLevelName(1022), u"1111111110");
    EXPECT_EQ(LogLevelName(1029), u"0000000101");  // only the ten low bits print
}

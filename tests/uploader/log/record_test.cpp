// What a record looks like in the file: numbering, escaping, the exact line bytes, the
// code page, and the overflow guard.

#include <string>

#include "log/log_events.h"
#include "log_test_support.h"

using namespace std::string_literals;

class RecordTest : public LogTest {
protected:
    void SetUp() override {
        LogTest::SetUp();
        SetLevel(u"norvel-uploader-=1023");
    }
    // The record lines without their time field, for tests that do not look at it.
    std::vector<std::string> Written(CLog& log) {
        log.RunWriterCycleNow();
        std::vector<std::string> lines = Records(FilePath(0));
        const std::string time = "[" + TimeText() + "]";
        for (std::string& line : lines) {
            EXPECT_TRUE(line.starts_with(time)) << line;
            line.erase(0, time.size());
        }
        return lines;
    }
};

TEST_F(RecordTest, LinesHaveTheExactFormat) {
    auto log = MakeLog();
    log->Write(L3_KEY, u"UPLOAD_Seg", false, u"DESC=first", u"FilePath=/a");
    log->Write(L3_KEY, u"UPLOAD_Seg", false, u"DESC=Send Failure", u"FilePath=/home/a b.txt");
    log->Write(L1_USR, u"Uploader_Task", true);
    log->RunWriterCycleNow();
    const std::vector<std::string> lines = Records(FilePath(0));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "[" + TimeText() +
                            "][L3_KEY][fn=2][RESULT: FALSE][UPLOAD_Seg][CAUSE: DESC=Send Failure]"
                            "[DATA1: FilePath=/home/a b.txt]\r\n");
    EXPECT_EQ(lines[2], "[" + TimeText() + "][L1_USR][sn=1][RESULT: TRUE][Uploader_Task]\r\n");
}

TEST_F(RecordTest, SuccessesAndFailuresAreNumberedApartPerEvent) {
    auto log = MakeLog();
    log->Write(L4_INF, u"A", true);
    log->Write(L4_INF, u"A", false);
    log->Write(L4_INF, u"B", false);
    log->Write(L4_INF, u"A", true);
    log->Write(L2_VIM, u"A", false);  // the count belongs to the event, whatever the type
    const auto lines = Written(*log);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(lines[0].starts_with("[L4_INF][sn=1][RESULT: TRUE][A]"));
    EXPECT_TRUE(lines[1].starts_with("[L4_INF][fn=1][RESULT: FALSE][A]"));
    EXPECT_TRUE(lines[2].starts_with("[L4_INF][fn=1][RESULT: FALSE][B]"));
    EXPECT_TRUE(lines[3].starts_with("[L4_INF][sn=2][RESULT: TRUE][A]"));
    EXPECT_TRUE(lines[4].starts_with("[L2_VIM][fn=2][RESULT: FALSE][A]"));
}

TEST_F(RecordTest, FreeTextsAreEscapedAndEventsAreNot) {
    auto log = MakeLog();
    const std::u16string cause = u"a]b[c\nd\re"s + u'\0' + u"f\\g";
    log->Write(L3_KEY, u"E[1]", true, cause, u"[x]", u"line\r\n", u"]");
    const auto lines = Written(*log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0],
              "[L3_KEY][sn=1][RESULT: TRUE][E[1]][CAUSE: a\\)b\\(c\\nd\\re\\0f\\g]"
              "[DATA1: \\(x\\)][DATA2: line\\r\\n][DATA3: \\)]\r\n");
}

TEST_F(RecordTest, EmptyTextsLeaveTheirFieldsOut) {
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", true, u"", u"", u"only two");
    log->Write(L3_KEY, u"E", true, u"", u"", u"", u"three");
    log->Write(L3_KEY, u"E", true, u"cause");
    const auto lines = Written(*log);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[L3_KEY][sn=1][RESULT: TRUE][E][DATA2: only two]\r\n");
    EXPECT_EQ(lines[1], "[L3_KEY][sn=2][RESULT: TRUE][E][DATA3: three]\r\n");
    EXPECT_EQ(lines[2], "[L3_KEY][sn=3][RESULT: TRUE][E][CAUSE: cause]\r\n");
}

TEST_F(RecordTest, TextIsWrittenInTheAnsiCodePage) {
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", false, u"读取m_UserName失败！", u"x=\U0001F600");
    // Narrow texts arrive in the code page and leave in it unchanged, as type L3_KEY.
    log->WriteNarrow("READ_RegeditInfo", false, "\xB6\xC1\xC8\xA1", "Path=/tmp");
    const auto lines = Written(*log);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "[L3_KEY][fn=1][RESULT: FALSE][E][CAUSE: \xB6\xC1\xC8\xA1m_UserName\xCA\xA7"
              "\xB0\xDC\xA3\xA1][DATA1: x=?]\r\n");
    EXPECT_EQ(lines[1],
              "[L3_KEY][fn=1][RESULT: FALSE][READ_RegeditInfo][CAUSE: \xB6\xC1\xC8\xA1]"
              "[DATA1: Path=/tmp]\r\n");
}

TEST_F(RecordTest, ErrorCodeRecordsAreFailuresWithTheCodeAsCause) {
    auto log = MakeLog();
    log->WriteErrorCode(12029, L4_INF, u"HTTPRequest", u"Url=/x");
    log->WriteErrorCode(-1, 3, u"Odd");  // a type outside the table prints as UNKOWN
    const auto lines = Written(*log);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "[L4_INF][fn=1][RESULT: FALSE][HTTPRequest][CAUSE: ERROR_CODE=12029]"
              "[DATA1: Url=/x]\r\n");
    EXPECT_EQ(lines[1], "[UNKOWN][fn=1][RESULT: FALSE][Odd][CAUSE: ERROR_CODE=-1]\r\n");
}

TEST_F(RecordTest, EachRecordKeepsTheTimeItWasMadeAt) {
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", true);
    const std::string first = TimeText();
    m_Now += 61;
    log->Write(L3_KEY, u"E", true);
    log->RunWriterCycleNow();
    const auto lines = Records(FilePath(0));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("[" + first + "]"));
    EXPECT_TRUE(lines[1].starts_with("[" + TimeText() + "]"));
    EXPECT_NE(first, TimeText());
}

TEST_F(RecordTest, AFullBufferIsEmptiedAndTheLossRecorded) {
    auto log = MakeLog();
    // The buffer may hold 200000 records; the writer finds one more and clears it.
    for (int i = 0; i < 200001; ++i)
        log->Write(L5_TRC, u"Flood", true);
    log->RunWriterCycleNow();
    // A caller that finds the buffer over the limit clears it too, then adds its record.
    for (int i = 0; i < 200001; ++i)
        log->Write(L5_TRC, u"Flood", true);
    log->Write(L5_TRC, u"After", false);
    log->RunWriterCycleNow();
    const auto lines = Written(*log);
    const std::string overflow =
        "[L2_VIM][fn=%][RESULT: FALSE][LOG_ThreadBufferOverSized][CAUSE: ERROR_CODE=200001]"
        "[DATA1: DESC=Log Buffer Cleared Now][DATA2: Name=norvel-uploader-log]\r\n";
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(overflow).replace(overflow.find('%'), 1, "1"));
    EXPECT_EQ(lines[1], std::string(overflow).replace(overflow.find('%'), 1, "2"));
    EXPECT_EQ(lines[2], "[L5_TRC][fn=1][RESULT: FALSE][After]\r\n");
    const CLogCounts counts = log->Counts();
    EXPECT_EQ(counts.cleared, 400002u);
    EXPECT_EQ(counts.written, 3u);
    EXPECT_EQ(counts.accepted, counts.written + counts.cleared);
}

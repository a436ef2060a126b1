// Pure text rules of the logger: the "LOG_LEVEL" entries, log file names, the header.

#include <gtest/gtest.h>

#include "level_setting.h"
#include "log_files.h"
#include "log_header.h"

TEST(LevelSettingTest, FindsTheEntryOfTheNamedLogger) {
    const std::u16string_view name = u"norvel-uploader-";
    EXPECT_EQ(LevelFromSetting(u"norvel-uploader-=15", name), 15);
    EXPECT_EQ(LevelFromSetting(u"a=1;norvel-uploader-=63;b=2", name), 63);
    EXPECT_EQ(LevelFromSetting(u" norvel-uploader- =\t7 ;", name), 7);
    EXPECT_EQ(LevelFromSetting(u"norvel-uploader-=3;norvel-uploader-=5", name), 3);
    EXPECT_EQ(LevelFromSetting(u"norvel-uploader-=31abc", name), 31);  // digits first count
    EXPECT_EQ(LevelFromSetting(u"norvel-uploader-=+0", name), 0);
    EXPECT_EQ(LevelFromSetting(u"norvel-uploader-=1023", name), 1023);
    // A name that merely contains the logger's name is another logger.
    EXPECT_EQ(LevelFromSetting(u"my-norvel-uploader-=1;norvel-uploader-x=2", name), std::nullopt);
    for (const char16_t* bad :
         {u"norvel-uploader-=1024", u"norvel-uploader-=-1", u"norvel-uploader-=",
          u"norvel-uploader-=x1", u"norvel-uploader-", u"", u"norvel-uploader-=4294967311"})
        EXPECT_EQ(LevelFromSetting(bad, name), std::nullopt);
}

TEST(LogFileNameTest, NamesCarryTheDateAndATwoDigitNumber) {
    EXPECT_EQ(LogFilePath(u"/var/Log", u"norvel-uploader-", u"2011-09-14", 0),
              u"/var/Log/norvel-uploader-2011-09-14_00.log");
    EXPECT_EQ(LogFilePath(u"/d", u"n-", u"2011-09-14", 42), u"/d/n-2011-09-14_42.log");
    EXPECT_EQ(SequenceOf(u"/d/n-2011-09-14_42.log"), 42);
    EXPECT_EQ(SequenceOf(u""), 0);
    EXPECT_EQ(SequenceOf(u"/d/n-2011-09-14_4x.log"), 0);
    EXPECT_EQ(DateOf(u"/d/n-2011-09-14_42.log"), u"2011-09-14");
    EXPECT_EQ(DateOf(u"/d/other.log"), u"");
    EXPECT_TRUE(IsLogFileName(u"n-2011-09-14_00.log", u"n-"));
    EXPECT_FALSE(IsLogFileName(u"xn-2011-09-14_00.log", u"n-"));
    EXPECT_FALSE(IsLogFileName(u"n-2011-09-14_00.log.1", u"n-"));
    EXPECT_FALSE(IsLogFileName(u"n-2011/09/14_00.log", u"n-"));
}

TEST(LogHeaderTest, SixLinesInTheirExactForm) {
    LogHeaderFacts facts;
    facts.loggerName = u"norvel-uploader-";
    facts.logDir = u"/opt/norvel/Log";
    facts.createdTime = u"2011-09-14 08:05:09";
    facts.userName = u"alice";
    facts.userId = u"1001";
    facts.computerName = u"desk";
    facts.clientId = u"c-1";
    facts.levelName = u"S3_DEFAULT_KEY_ERR";
    facts.environment = u"OS=Linux; Net=Connected";
    EXPECT_EQ(FormatLogHeader(facts),
              u"[norvel-uploader-log, DIR=/opt/norvel/Log]\r\n"
              u"[Created Time: 2011-09-14 08:05:09]\r\n"
              u"[Login User: Name=alice, ID=1001]\r\n"
              u"[Machine: Name=desk, ID=c-1]\r\n"
              u"[Current Log Level: S3_DEFAULT_KEY_ERR]\r\n"
              u"[System Environment: OS=Linux; Net=Connected]\r\n");
    // A value cannot break the block into forged lines.
    facts.userName = u"eve]\r\n[Login User: Name=admin";
    const std::u16string header = FormatLogHeader(facts);
    EXPECT_NE(header.find(u"[Login User: Name=eve\\)\\r\\n\\(Login User: Name=admin, ID=1001]\r\n"),
              std::u16string::npos);
}

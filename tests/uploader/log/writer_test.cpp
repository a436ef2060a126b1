// The writer: folders, files, numbering, rolling, keeping five files, the header block,
// and stopping.

#include <chrono>
#include <filesystem>
#include <thread>

#include "log_test_support.h"
#include "platform/system.h"
#include "settings/log_sink.h"
#include "settings/settings.h"
#include "text_pattern.h"

namespace fs = std::filesystem;

namespace {

constexpr uintmax_t kFullSize = 2000000;

fs::perms ModeOf(const std::string& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

void MakeFull(const std::string& path) {
    if (!fs::exists(path))
        norvel::test::WriteFile(path, "");
    fs::resize_file(path, kFullSize);
}

}  // namespace

class WriterTest : public LogTest {};

TEST_F(WriterTest, FolderAndFilesAreForTheirOwnerOnly) {
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    EXPECT_EQ(ModeOf(LogDir()), fs::perms::owner_all);
    EXPECT_EQ(ModeOf(FilePath(0)), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(WriterTest, ANewFileStartsWithTheHeaderBlock) {
    settings::WriteString(settings::kFlingaKey, settings::kUserName, u"alice");
    settings::WriteString(settings::kFlingaKey, settings::kUserId, u"42");
    settings::WriteString(settings::kNorvelKey, settings::kClientId, u"cid-1");
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    const auto lines = Lines(FilePath(0));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "[norvel-uploader-log, DIR=" + LogDir() + "]\r\n");
    EXPECT_EQ(lines[1], "[Created Time: " + TimeText() + "]\r\n");
    EXPECT_EQ(lines[2], "[Login User: Name=alice, ID=42]\r\n");
    EXPECT_EQ(lines[3], "[Machine: Name=" + platform::WideToAnsi(platform::ComputerName()) +
                            ", ID=cid-1]\r\n");
    EXPECT_EQ(lines[4], "[Current Log Level: S3_DEFAULT_KEY_ERR]\r\n");
    EXPECT_TRUE(MatchesPattern(lines[5],
                               "[System Environment: OS=*; Browser=*; CPU=# Core *; "
                               "MEM=TotalPhys:#MB, AvailPhys:#MB; Disk=*; Net=*onnected]\r\n"))
        << lines[5];
    EXPECT_TRUE(lines[6].starts_with("[" + TimeText() + "][L3_KEY]"));
}

TEST_F(WriterTest, AFullFileRollsToTheNextNumberWithANewHeader) {
    auto log = MakeLog();
    log->Write(L3_KEY, u"First", false);
    log->RunWriterCycleNow();
    ASSERT_EQ(Records(FilePath(0)).size(), 1u);
    MakeFull(FilePath(0));
    log->Write(L3_KEY, u"Second", false);
    log->RunWriterCycleNow();
    EXPECT_EQ(fs::file_size(FilePath(0)), kFullSize);
    EXPECT_EQ(HeaderCount(FilePath(1)), 1u);
    const auto lines = Records(FilePath(1));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[Second]"), std::string::npos);
    // The next cycle stays with the file that is not full.
    log->Write(L3_KEY, u"Third", false);
    log->RunWriterCycleNow();
    EXPECT_EQ(Records(FilePath(1)).size(), 2u);
    EXPECT_EQ(HeaderCount(FilePath(1)), 1u);
}

TEST_F(WriterTest, ASixthFileReplacesTheOldestAndOtherFilesStay) {
    fs::create_directory(LogDir());
    for (int daysAgo = 5; daysAgo >= 1; --daysAgo)
        norvel::test::WriteFile(FilePath(0, m_Now - daysAgo * kDay), "old\r\n");
    for (const char* other : {"other.log", "norvel-uploader-notes.log", "norvel-uploader-.log",
                              "norvel-uploader-2011-01-01_00.log.bak"})
        norvel::test::WriteFile(LogDir() + "/" + other, "keep");
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    EXPECT_FALSE(fs::exists(FilePath(0, m_Now - 5 * kDay)));
    for (int daysAgo = 4; daysAgo >= 1; --daysAgo)
        EXPECT_TRUE(fs::exists(FilePath(0, m_Now - daysAgo * kDay))) << daysAgo;
    EXPECT_EQ(log->ListLogFiles().size(), 5u);
    EXPECT_EQ(std::distance(fs::directory_iterator(LogDir()), fs::directory_iterator()), 9);
}

TEST_F(WriterTest, GoingOnWithAnExistingFileDeletesNothing) {
    fs::create_directory(LogDir());
    for (int daysAgo = 4; daysAgo >= 1; --daysAgo)
        norvel::test::WriteFile(FilePath(0, m_Now - daysAgo * kDay), "old\r\n");
    norvel::test::WriteFile(FilePath(0), "earlier run\r\n");
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    EXPECT_EQ(log->ListLogFiles().size(), 5u);
    const auto lines = Lines(FilePath(0));
    ASSERT_EQ(lines.size(), 8u);  // the earlier line, a header for this run, the record
    EXPECT_EQ(lines[0], "earlier run\r\n");
    EXPECT_EQ(HeaderCount(FilePath(0)), 1u);
}

TEST_F(WriterTest, ANewDayStartsAtNumberZero) {
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    MakeFull(FilePath(0));
    log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    ASSERT_EQ(Records(FilePath(1)).size(), 1u);

    m_Now += kDay;
    log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    EXPECT_EQ(Records(FilePath(0)).size(), 1u);
    EXPECT_FALSE(fs::exists(FilePath(2)));
    // A file of the day before that is not full yet is not continued either.
    EXPECT_EQ(Records(FilePath(1, m_Now - kDay)).size(), 1u);
}

TEST_F(WriterTest, AHundredFullFilesInOneDayEndLogging) {
    fs::create_directory(LogDir());
    for (int number = 0; number < 100; ++number) {
        const std::string path = FilePath(0);
        MakeFull(path.substr(0, path.size() - 6) + (number < 10 ? "0" : "") +
                 std::to_string(number) + ".log");
    }
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    EXPECT_FALSE(log->IsEnabled());
    EXPECT_EQ(log->ListLogFiles().size(), 100u);
    for (const auto& path : log->ListLogFiles())
        EXPECT_EQ(fs::file_size(platform::WideToUtf8(path)), kFullSize);
}

TEST_F(WriterTest, AFileThatCannotBeOpenedIsReportedAndTriedAgain) {
    SetLevel(u"norvel-uploader-=1023");
    fs::create_directories(FilePath(0));  // a folder where the file should be
    auto log = MakeLog();
    log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    fs::remove(FilePath(0));
    log->RunWriterCycleNow();
    const auto lines = Records(FilePath(0));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("[E]"), std::string::npos);
    EXPECT_TRUE(
        lines[1].ends_with("[L4_INF][fn=1][RESULT: FALSE][OpenFile][CAUSE: ERROR_CODE=21]"
                           "[DATA1: FilePath=" +
                           FilePath(0) + "]\r\n"))
        << lines[1];
}

TEST_F(WriterTest, WithoutAFolderRecordsWaitAndAVanishedFolderIsMadeAgain) {
    CLogOptions options = Options();
    const std::string parent = m_Dir.File("missing");
    options.logDir = platform::Utf8ToWide(parent + "/Log");
    CLog log(u"norvel-uploader-", options);
    log.Write(L3_KEY, u"Waits", false);
    log.RunWriterCycleNow();
    EXPECT_EQ(log.GetLogDir(), u"");
    EXPECT_FALSE(fs::exists(parent));

    fs::create_directory(parent);
    log.RunWriterCycleNow();
    ASSERT_EQ(log.ListLogFiles().size(), 1u);
    fs::remove_all(parent + "/Log");
    log.Write(L3_KEY, u"Again", false);
    log.RunWriterCycleNow();
    const auto files = log.ListLogFiles();
    ASSERT_EQ(files.size(), 1u);
    const auto lines = Records(platform::WideToUtf8(files[0]));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[Again]"), std::string::npos);
    EXPECT_EQ(HeaderCount(platform::WideToUtf8(files[0])), 1u);
    EXPECT_EQ(ModeOf(parent + "/Log"), fs::perms::owner_all);
}

TEST_F(WriterTest, TheFolderIsBelowTheInstallPathElseBesideTheProgram) {
    CLogOptions options = Options();
    options.logDir.clear();
    fs::create_directories(m_Dir.File("install"));
    fs::create_directories(m_Dir.File("program/Flinga"));
    settings::SetHostProgramPath(platform::Utf8ToWide(m_Dir.File("program/Flinga/Norvel_Flinga")));
    {
        settings::WriteString(settings::kNorvelKey, settings::kInstallPath,
                              platform::Utf8ToWide(m_Dir.File("install/")));
        CLog log(u"norvel-uploader-", options);
        EXPECT_EQ(log.GetLogDir(), platform::Utf8ToWide(m_Dir.File("install/Log")));
        EXPECT_EQ(ModeOf(m_Dir.File("install/Log")), fs::perms::owner_all);
    }
    for (const char16_t* unusable : {u"", u"relative/install"}) {
        settings::WriteString(settings::kNorvelKey, settings::kInstallPath, unusable);
        CLog log(u"norvel-uploader-", options);
        EXPECT_EQ(log.GetLogDir(), platform::Utf8ToWide(m_Dir.File("program/Flinga/Log")));
    }
    settings::DeleteValue(settings::kNorvelKey, settings::kInstallPath);
    {
        CLog log(u"norvel-uploader-", options);
        EXPECT_EQ(log.GetLogDir(), platform::Utf8ToWide(m_Dir.File("program/Flinga/Log")));
    }
    // Finding the folder never stores an install path.
    EXPECT_FALSE(settings::ReadString(settings::kNorvelKey, settings::kInstallPath));
    settings::SetHostProgramPath({});
}

TEST_F(WriterTest, ACycleWritesAtMost5000Records) {
    auto log = MakeLog();
    for (int i = 0; i < 6000; ++i)
        log->Write(L3_KEY, u"E", false);
    log->RunWriterCycleNow();
    EXPECT_EQ(Records(FilePath(0)).size(), 5000u);
    log->RunWriterCycleNow();
    EXPECT_EQ(Records(FilePath(0)).size(), 6000u);
}

TEST_F(WriterTest, StoppingWritesOutEverythingAndRefusesLaterRecords) {
    auto log = MakeLog();
    for (int i = 0; i < 12000; ++i)
        log->Write(L3_KEY, u"E", false);
    log->Stop();
    const auto lines = Records(FilePath(0));
    ASSERT_EQ(lines.size(), 12000u);
    EXPECT_NE(lines.back().find("[fn=12000]"), std::string::npos);
    EXPECT_EQ(log->Counts().accepted, 12000u);
    EXPECT_EQ(log->Counts().written, 12000u);
    EXPECT_FALSE(log->IsEnabled());
    log->Write(L3_KEY, u"Late", false);
    log->RunWriterCycleNow();  // returns at once: there is no writer any more
    log->Stop();
    EXPECT_EQ(Records(FilePath(0)).size(), 12000u);

    // Destroying a logger stops it the same way.
    m_Now += kDay;
    log = MakeLog();
    log->Write(L3_KEY, u"E", false);
    log.reset();
    EXPECT_EQ(Records(FilePath(0)).size(), 1u);
}

TEST_F(WriterTest, TheWriterRunsOnItsOwnCycle) {
    CLogOptions options = Options();
    options.writerCycle = std::chrono::milliseconds(20);
    CLog log(u"norvel-uploader-", options);
    log.Write(L3_KEY, u"E", false);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Records(FilePath(0)).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(Records(FilePath(0)).size(), 1u);
}

TEST_F(WriterTest, ListLogFilesNamesThisLoggersFilesOldestFirst) {
    fs::create_directory(LogDir());
    const std::vector<std::string> names = {"norvel-uploader-2011-09-14_01.log",
                                            "norvel-uploader-2010-12-31_07.log",
                                            "norvel-uploader-2011-09-14_00.log",
                                            "norvel-uploader-2011-9-14_02.log",
                                            "norvel-uploader-2011-09-14_0x.log",
                                            "xnorvel-uploader-2011-09-14_03.log",
                                            "other-2011-09-14_00.log"};
    for (const auto& name : names)
        norvel::test::WriteFile(LogDir() + "/" + name, "");
    fs::create_directory(LogDir() + "/norvel-uploader-2011-09-14_09.log");
    auto log = MakeLog();
    const std::u16string dir = platform::Utf8ToWide(LogDir()) + u"/";
    EXPECT_EQ(log->ListLogFiles(),
              (std::vector<std::u16string>{dir + u"norvel-uploader-2010-12-31_07.log",
                                           dir + u"norvel-uploader-2011-09-14_00.log",
                                           dir + u"norvel-uploader-2011-09-14_01.log"}));
}

TEST_F(WriterTest, TheSettingsReportMissingValuesThroughTheLogger) {
    auto log = MakeLog();
    settings::ResetCaches();
    EXPECT_EQ(settings::GetUserName(), u"");  // "USER_NAME" is missing
    log->RunWriterCycleNow();
    const auto lines = Records(FilePath(0));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].ends_with(
        "[L3_KEY][fn=1][RESULT: FALSE][READ_RegeditInfo][CAUSE: \xB6\xC1\xC8\xA1m_UserName"
        "\xCA\xA7\xB0\xDC\xA3\xA1]\r\n"))
        << lines[0];
    log.reset();
    settings::ReportFailure("READ_RegeditInfo", "after the logger");  // goes nowhere
    settings::ResetCaches();
}

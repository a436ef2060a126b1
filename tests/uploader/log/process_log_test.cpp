// The process-wide logger, in child processes of their own: it writes out what was
// buffered when the process exits, even when it was made before the services it reads.
//
// Death tests run before every other test of the program, so in a plain run the child
// starts with nothing of the settings store made yet: the fixture writes the settings
// file itself rather than through the store.

#include <filesystem>

#include "log_test_support.h"
#include "platform/registry.h"

namespace fs = std::filesystem;

class ProcessLoggerDeathTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_Dir.File("install"));
        const std::string registry = platform::RegistryFilePath();
        fs::create_directories(fs::path(registry).parent_path());
        norvel::test::WriteFile(registry,
                                "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_CURRENT_USER\\software\\Norvel]\r\n"
                                "\"INSTALLPATH\"=\"" +
                                    m_Dir.File("install") + "\"\r\n");
    }
    void TearDown() override { fs::remove(platform::RegistryFilePath()); }

    // The records that the child wrote into the install path's log folder.
    std::vector<std::string> ChildRecords() {
        std::vector<std::string> records;
        for (const auto& file : fs::directory_iterator(m_Dir.File("install/Log"))) {
            for (std::string& line : Records(file.path().string()))
                records.push_back(std::move(line));
        }
        return records;
    }

    norvel::test::TempDir m_Dir;
};

TEST_F(ProcessLoggerDeathTest, RecordsBufferedAtExitAreWritten) {
    EXPECT_EXIT(
        {
            // The settings store is first used by this record, after the logger exists:
            // at exit it must still be there for the logger's last drain.
            Log().Write(L1_USR, u"AtExit", false, u"DESC=last words");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const auto records = ChildRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("[L1_USR][fn=1][RESULT: FALSE][AtExit][CAUSE: DESC=last words]"),
              std::string::npos);
}

TEST_F(ProcessLoggerDeathTest, StopLoggingDrainsAndLaterRecordsAreDropped) {
    EXPECT_EXIT(
        {
            Log().Write(L1_USR, u"Before", false);
            StopLogging();
            Log().Write(L1_USR, u"After", false);
            StopLogging();
            std::exit(Log().IsEnabled() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
    const auto records = ChildRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("[Before]"), std::string::npos);
}

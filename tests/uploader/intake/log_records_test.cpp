// The records that intake and the upload queue write, read back from the process-wide
// logger's files in <install path>/Log.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "intake/dropped_files.h"
#include "intake/intake_state.h"
#include "intake/queue.h"
#include "intake/task_list.h"
#include "intake/task_map.h"
#include "intake_test_support.h"
#include "log/log.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "support/test_env.h"
#include "test_driver.h"
#include "uploader/log/log_test_support.h"

using namespace intake;
using intake_test::IntakeTest;
using intake_test::TestDriver;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::string_literals;

namespace {

class LogRecordsTest : public IntakeTest {
protected:
    void SetUp() override {
        IntakeTest::SetUp();
        MakeFolder("Flinga");
        // Stored, so that the log folder is <test folder>/Log whatever reads it first.
        ASSERT_TRUE(settings::WriteString(settings::kNorvelKey, settings::kInstallPath,
                                          platform::Utf8ToWide(m_Dir.Path())));
        SetLevel(u"norvel-uploader-=1023");  // every type, successes and failures
    }
    void TearDown() override {
        IntakeTest::TearDown();
        // Whatever is still buffered goes into this test's folder, not the next one's.
        Log().RunWriterCycleNow();
        SetLevel(u"norvel-uploader-=31");  // the level used when none is stored
    }

    static void SetLevel(std::u16string_view text) {
        ASSERT_TRUE(settings::WriteString(settings::kNorvelKey, settings::kLogLevel, text));
        ASSERT_TRUE(Log().RefreshLevel(true));
    }

    // The records written so far without their time and number fields, which depend on
    // the clock and on the records of other tests: "[L4_INF][RESULT: TRUE]...\r\n".
    std::vector<std::string> Logged() {
        Log().RunWriterCycleNow();
        std::vector<std::string> records;
        const std::string folder = m_Dir.File("Log");
        if (!std::filesystem::is_directory(folder))
            return records;
        for (const auto& file : std::filesystem::directory_iterator(folder))
            for (const std::string& line : Records(file.path().string()))
                records.push_back(WithoutTimeAndNumber(line));
        return records;
    }

    static std::string WithoutTimeAndNumber(const std::string& line) {
        const size_t type = line.find(']') + 1;
        const size_t number = line.find(']', type) + 1;
        const size_t rest = line.find(']', number) + 1;
        return line.substr(type, number - type) + line.substr(rest);
    }

    TestDriver m_Driver;
};

}  // namespace

TEST_F(LogRecordsTest, WorkersLogEachRunButNoCompletionOfARemovedTask) {
    SetUploadDriver([this](UploadContext& task) { return m_Driver.Run(task); });
    SetPauseAfterTask(std::chrono::milliseconds(0));
    EnsureMainWindow();
    StartQueue(1);
    MakeFile("up/gone.txt");
    MakeFile("up/kept.txt");
    const int32_t gone = AddUploadRequest(PathOf("up"), u"gone.txt");
    ASSERT_TRUE(m_Driver.WaitForStarts(1));
    RemoveTask(gone);
    ASSERT_TRUE(m_Driver.WaitForReturn(gone));
    m_Driver.MakeAllInstant();
    const int32_t kept = AddUploadRequest(PathOf("up"), u"kept.txt");
    ASSERT_TRUE(m_Driver.WaitForReturn(kept));
    const auto run = [](const char* event, const char* name) {
        return HasSubstr("[L4_INF][RESULT: TRUE]["s + event + "][DATA1: FileName = " + name +
                         "][DATA2: ThreadID = ");
    };
    // The worker writes the completion just after the driver returns; a shutdown before
    // that removes the task like any other, without a completion record.
    norvel::test::WaitUntil(
        [&] {
            return ::testing::Value(Logged(), Contains(run("COMPLETE_UploadTask", "kept.txt")));
        },
        std::chrono::seconds(10));
    StopQueue();  // the worker has written its last record once it is joined

    const std::vector<std::string> records = Logged();
    EXPECT_THAT(records, Contains(run("SCHEDUL_UploadTask", "gone.txt")));
    EXPECT_THAT(records, Not(Contains(run("COMPLETE_UploadTask", "gone.txt"))));
    EXPECT_THAT(records, Contains(run("SCHEDUL_UploadTask", "kept.txt")));
    EXPECT_THAT(records, Contains(run("COMPLETE_UploadTask", "kept.txt")));
    EXPECT_THAT(
        records,
        Contains(HasSubstr("[L4_INF][RESULT: TRUE][EXIT_UploadThread][DATA1: ThreadID = ")));
}

TEST_F(LogRecordsTest, ADropIsCountedAndAPathTooLongForAnEntryIsReported) {
    MakeFile("d/x.txt");
    MakeFile("d/y.txt");
    // Below the dropped folder "top", the name would need more than 259 units.
    const std::string longName = "top/" + std::string(200, 'f') + "/" + std::string(100, 'n');
    MakeFile(longName);
    HandleDroppedFiles({PathOf("d")});
    HandleDroppedFiles({PathOf("top")});

    const std::vector<std::string> records = Logged();
    EXPECT_THAT(records, Contains("[L3_KEY][RESULT: TRUE][Uploader_Add_File]"
                                  "[DATA1: Drop 2 files into Dlg]\r\n"));
    EXPECT_THAT(records, Contains("[L3_KEY][RESULT: FALSE][Uploader_Add_File]"
                                  "[CAUSE: DESC=the directory or name is longer than an entry "
                                  "can carry][DATA1: " +
                                  m_Dir.File(longName) + "]\r\n"));
    // The refused file still counts as dropped.
    EXPECT_THAT(records, Contains("[L3_KEY][RESULT: TRUE][Uploader_Add_File]"
                                  "[DATA1: Drop 1 files into Dlg]\r\n"));
}

TEST_F(LogRecordsTest, AtMost64BatchesWaitForALoginAndTheOldestDroppedIsReported) {
    for (int i = 0; i <= 64; ++i) {
        RequestBatch batch(1);
        ASSERT_TRUE(MakeEntry(kUploadRequest, u"/in", platform::Utf8ToWide("b" + std::to_string(i)),
                              batch.front()));
        AddBatchWaitingForLogin(batch);
    }
    EXPECT_EQ(BatchesWaitingForLogin(), 64u);
    EXPECT_THAT(Logged(), Contains("[L3_KEY][RESULT: FALSE][Uploader_Add_File]"
                                   "[CAUSE: DESC=64 batches wait for a login; the oldest, of 1 "
                                   "requests, was dropped][DATA1: /in/b0]\r\n"));
}

TEST_F(LogRecordsTest, ADamagedListAndAListThatCannotBeWrittenAreReported) {
    const std::string bytes = EncodeTaskList({{u"/a", u"1.txt", kTaskComplete}});
    norvel::test::WriteFile(m_Dir.File("Flinga/uploader.dat"), bytes.substr(0, bytes.size() - 1));
    ASSERT_TRUE(RestoreSavedTasks().damaged);
    norvel::test::WriteFile(m_Dir.File("blocker"), "a file where a folder should be");
    EXPECT_FALSE(SaveTaskList(PathOf("blocker/uploader.dat")));

    const std::vector<std::string> records = Logged();
    EXPECT_THAT(records,
                Contains("[L1_USR][RESULT: FALSE][LOAD_TaskList][CAUSE: DESC=the saved task "
                         "list is damaged; the readable tasks were restored and the file was "
                         "kept][DATA1: " +
                         m_Dir.File("Flinga/uploader.dat.damaged") + "]\r\n"));
    EXPECT_THAT(records, Contains("[L3_KEY][RESULT: FALSE][SAVE_TaskList][CAUSE: DESC=the "
                                  "task list could not be written][DATA1: " +
                                  m_Dir.File("blocker/uploader.dat") + "]\r\n"));
}

TEST_F(LogRecordsTest, AnUnknownSavedStateAndARefusedMoveAreReported) {
    norvel::test::WriteFile(m_Dir.File("Flinga/uploader.dat"),
                            EncodeTaskList({{u"/d", u"x.txt", 2147483647}}));
    ASSERT_EQ(RestoreSavedTasks().restored, 1);
    const int32_t id = TaskIds().front();
    {
        std::lock_guard lock(TaskLock());
        EXPECT_FALSE(MoveTaskLocked(*FindTaskLocked(id), kTaskUploading));  // failed: retry first
    }
    EXPECT_EQ(GetTaskView(id)->state, kTaskFailed);

    const std::vector<std::string> records = Logged();
    EXPECT_THAT(records,
                Contains("[L3_KEY][RESULT: FALSE][LOAD_TaskList][CAUSE: DESC=unknown "
                         "state 2147483647; restored as failed][DATA1: FileName=/d/x.txt]\r\n"));
    EXPECT_THAT(records, Contains("[L4_INF][RESULT: FALSE][TASK_State][CAUSE: DESC=refused move 5 "
                                  "-> 2][DATA1: TaskID=" +
                                  std::to_string(id) + "][DATA2: FileName=x.txt]\r\n"));
}

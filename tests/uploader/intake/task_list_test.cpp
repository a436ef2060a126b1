#include <filesystem>
#include <string>
#include <vector>

#include "intake/intake_state.h"
#include "intake/queue.h"
#include "intake/task_list.h"
#include "intake/task_map.h"
#include "intake_test_support.h"
#include "platform/text.h"

using namespace intake;
using intake_test::IntakeTest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::string_literals;

namespace {

// Bytes written by hand from the format: count, then per record the directory and the
// name (0xFF, tag 0xFFFE, length, UTF-16LE units) and the 32-bit state.
const std::string kOneRecord =
    "\x01\x00\x00\x00"s  // N = 1
    "\xFF\xFE\xFF\x02"
    "/\x00"
    "d\x00"s  // "/d"
    "\xFF\xFE\xFF\x06"
    "a\x00"
    ".\x00"
    "t\x00"
    "x\x00"
    "t\x00"
    "\xE5\x4E"s           // "a.txt以"
    "\x03\x00\x00\x00"s;  // state 3

std::string Utf16Le(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string Le32(uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

std::vector<std::string> Describe(const std::vector<CTask>& tasks) {
    std::vector<std::string> lines;
    for (const CTask& task : tasks)
        lines.push_back(platform::WideToUtf8(task.m_Dir) + "|" + platform::WideToUtf8(task.m_Name) +
                        "|" + std::to_string(task.m_State));
    return lines;
}

class TaskListTest : public IntakeTest {
protected:
    void SetUp() override {
        IntakeTest::SetUp();
        MakeFolder("Flinga");
    }

    std::u16string ListPath() { return PathOf("Flinga/uploader.dat"); }
    std::string ListFile() { return m_Dir.File("Flinga/uploader.dat"); }
};

}  // namespace

TEST(TaskListFormat, OneRecordIsWrittenByteForByte) {
    EXPECT_EQ(EncodeTaskList({CTask{u"/d", u"a.txt\u4EE5", 3}}), kOneRecord);
    EXPECT_EQ(EncodeTaskList({}), "");
}

TEST(TaskListFormat, LengthsUseTheirThreeForms) {
    // 254 units: one byte; 255 and 300 units: 0xFF and 16 bits; 0xFFFE units: 32 bits.
    const auto head = [](const std::u16string& name) {
        const std::string bytes = EncodeTaskList({CTask{u"", name, 1}});
        // Skip N and the empty directory (FF FE FF 00).
        return bytes.substr(8);
    };
    EXPECT_EQ(head(std::u16string(254, u'n')).substr(0, 4), "\xFF\xFE\xFF\xFE"s);
    EXPECT_EQ(head(std::u16string(255, u'n')).substr(0, 6), "\xFF\xFE\xFF\xFF\xFF\x00"s);
    const std::string name300 = head(std::u16string(300, u'n'));
    EXPECT_EQ(name300.substr(0, 6), "\xFF\xFE\xFF\xFF\x2C\x01"s);
    EXPECT_EQ(name300.size(), 6 + 600 + 4u);
    EXPECT_EQ(head(std::u16string(0xFFFD, u'n')).substr(0, 6), "\xFF\xFE\xFF\xFF\xFD\xFF"s);
    EXPECT_EQ(head(std::u16string(0xFFFE, u'n')).substr(0, 10),
              "\xFF\xFE\xFF\xFF\xFF\xFF\xFE\xFF\x00\x00"s);
}

TEST(TaskListFormat, TaggedAndUntaggedStringsOfEveryLengthFormAreRead) {
    const std::string ansi300(300, 'q');
    const std::string wide70000 = Utf16Le(std::u16string(70000, u'w'));
    const std::string bytes = Le32(4) +
                              // untagged, one-byte length, code page 936: "上传" is C9 CF B4 AB
                              "\x04\xC9\xCF\xB4\xAB"s +
                              "\x05"
                              "a.txt"s +
                              Le32(1) +
                              // untagged, 16-bit and 32-bit lengths
                              "\xFF\x2C\x01"s + ansi300 + "\xFF\xFF\xFF"s + Le32(3) + "abc" +
                              Le32(2) +
                              // tagged, 16-bit and 32-bit lengths
                              "\xFF\xFE\xFF\xFF\x01\x01"s + Utf16Le(std::u16string(257, u'x')) +
                              "\xFF\xFE\xFF\xFF\xFF\xFF"s + Le32(70000) + wide70000 + Le32(15) +
                              // an empty untagged and an empty tagged string
                              "\x00"s + "\xFF\xFE\xFF\x00"s + Le32(static_cast<uint32_t>(-1));
    const DecodedTaskList list = DecodeTaskList(bytes);
    EXPECT_FALSE(list.damaged);
    ASSERT_EQ(list.tasks.size(), 4u);
    EXPECT_EQ(list.tasks[0].m_Dir, u"上传");
    EXPECT_EQ(list.tasks[0].m_Name, u"a.txt");
    EXPECT_EQ(list.tasks[1].m_Dir, std::u16string(300, u'q'));
    EXPECT_EQ(list.tasks[1].m_Name, u"abc");
    EXPECT_EQ(list.tasks[1].m_State, 2);
    EXPECT_EQ(list.tasks[2].m_Dir, std::u16string(257, u'x'));
    EXPECT_EQ(list.tasks[2].m_Name, std::u16string(70000, u'w'));
    EXPECT_EQ(list.tasks[3].m_Dir, u"");
    EXPECT_EQ(list.tasks[3].m_State, -1);
}

TEST(TaskListFormat, DamagedListsGiveEveryCompleteRecordAndNeverMore) {
    const std::vector<CTask> tasks = {
        {u"/a", u"1.txt", 1}, {u"/b", u"2.txt", 3}, {u"/c", u"3.txt", 5}};
    const std::string bytes = EncodeTaskList(tasks);
    // Every cut: the records wholly before it, and the damage reported.
    const size_t recordSize = (bytes.size() - 4) / 3;
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        const DecodedTaskList list = DecodeTaskList(std::string_view(bytes).substr(0, cut));
        EXPECT_TRUE(list.damaged) << cut;
        const size_t whole = cut < 4 ? 0 : (cut - 4) / recordSize;
        EXPECT_EQ(list.tasks.size(), whole) << cut;
    }
    EXPECT_THAT(Describe(DecodeTaskList(bytes).tasks),
                ElementsAre("/a|1.txt|1", "/b|2.txt|3", "/c|3.txt|5"));

    const DecodedTaskList trailing = DecodeTaskList(bytes + "x");
    EXPECT_TRUE(trailing.damaged);
    EXPECT_EQ(trailing.tasks.size(), 3u);
    EXPECT_TRUE(DecodeTaskList(Le32(0x80000000u) + bytes.substr(4)).damaged);  // negative
    const DecodedTaskList huge = DecodeTaskList(Le32(0x7FFFFFFF) + bytes.substr(4));
    EXPECT_TRUE(huge.damaged);
    EXPECT_EQ(huge.tasks.size(), 3u);
    // A length far beyond the end of the file.
    EXPECT_TRUE(DecodeTaskList(Le32(1) + "\xFF\xFE\xFF\xFF\xFF\xFF\xF0\xFF\xFF\x7F"s).damaged);
}

TEST_F(TaskListTest, SavingAnEmptyMapWritesAnEmptyFileAndLoadingItRestoresNothing) {
    ASSERT_TRUE(SaveTasksForExit());
    EXPECT_EQ(norvel::test::ReadFile(ListFile()), "");
    const LoadedTaskList loaded = RestoreSavedTasks();
    EXPECT_TRUE(loaded.found);
    EXPECT_EQ(loaded.restored, 0);
    EXPECT_FALSE(loaded.damaged);
    EXPECT_FALSE(std::filesystem::exists(ListFile()));
    EXPECT_THAT(TaskIds(), IsEmpty());
    // Without a file there is nothing to do.
    EXPECT_FALSE(RestoreSavedTasks().found);
}

TEST_F(TaskListTest, SavedTasksComeBackInOrderWithNewIdsAndWaitingOnesQueued) {
    StartQueue(0);
    EnsureMainWindow();
    ResetTaskIdCounter();
    for (const char* name : {"skip1", "skip2", "done.txt", "busy.txt", "wait.txt"})
        MakeFile(std::string("up/") + name);
    AddUploadRequest(PathOf("up"), u"skip1");
    AddUploadRequest(PathOf("up"), u"skip2");
    const int32_t done = AddUploadRequest(PathOf("up"), u"done.txt");
    const int32_t busy = AddUploadRequest(PathOf("up"), u"busy.txt");
    AddUploadRequest(PathOf("up"), u"wait.txt");
    RemoveTask(10001);
    RemoveTask(10002);
    {
        std::lock_guard lock(TaskLock());
        FindTaskLocked(done)->m_State = kTaskComplete;
        FindTaskLocked(busy)->m_State = kTaskUploading;
    }
    ASSERT_TRUE(SaveTaskList(ListPath()));
    const std::string up = m_Dir.File("up");
    EXPECT_THAT(Describe(DecodeTaskList(norvel::test::ReadFile(ListFile())).tasks),
                ElementsAre(up + "|done.txt|3", up + "|busy.txt|2", up + "|wait.txt|1"));

    // A new run.
    StopAllTasks();
    ResetTaskIdCounter();
    m_Ui.ClearCalls();
    const LoadedTaskList loaded = LoadTaskList(ListPath());
    EXPECT_EQ(loaded.restored, 3);
    EXPECT_FALSE(loaded.damaged);
    EXPECT_FALSE(std::filesystem::exists(ListFile()));
    EXPECT_THAT(TaskIds(), ElementsAre(10001, 10002, 10003));
    EXPECT_EQ(GetTaskView(10001)->state, kTaskComplete);
    EXPECT_EQ(GetTaskView(10002)->state, kTaskWaiting);
    EXPECT_EQ(GetTaskView(10002)->name, u"busy.txt");
    EXPECT_EQ(GetTaskView(10003)->state, kTaskWaiting);
    EXPECT_EQ(GetTaskView(10003)->owner, MainWindow());
    EXPECT_EQ(QueuedTaskCount(), 2u);
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("restored done", "added 3 wait.txt"));
}

TEST_F(TaskListTest, FinishedStatesAreCountedAndKeptPausedOnesAreNotFailures) {
    const std::u16string dir = PathOf("gone");
    const std::string bytes = EncodeTaskList({{dir, u"a", kTaskFailed},
                                              {dir, u"b", kTaskEmptyFile},
                                              {dir, u"c", kTaskTooLarge},
                                              {dir, u"d", kTaskTimeout},
                                              {dir, u"e", kTaskPaused}});
    norvel::test::WriteFile(ListFile(), bytes);
    EXPECT_EQ(RestoreSavedTasks().restored, 5);
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("restored failed", "restored failed", "added 5 e"));
    EXPECT_EQ(GetTaskView(10005)->state, kTaskPaused);
    EXPECT_EQ(QueuedTaskCount(), 0u);
}

TEST_F(TaskListTest, SavedStatesThatNoTaskCanHaveAreRestoredAsFailed) {
    // Made by hand: the states 2147483647, 0, 4, 8 (a removed task is never saved) and -7.
    std::string bytes = Le32(6);
    const auto record = [](char name, uint32_t state) {
        return "\xFF\xFE\xFF\x02"
               "/\x00"
               "d\x00"s +
               "\xFF\xFE\xFF\x01"s + name + "\x00"s + Le32(state);
    };
    bytes += record('a', 0x7FFFFFFF) + record('b', 0) + record('c', 4) + record('d', 8) +
             record('e', static_cast<uint32_t>(-7)) + record('f', kTaskFileExists);
    norvel::test::WriteFile(ListFile(), bytes);
    const LoadedTaskList loaded = RestoreSavedTasks();
    EXPECT_EQ(loaded.restored, 6);
    EXPECT_FALSE(loaded.damaged);
    std::vector<int32_t> states;
    for (const int32_t id : TaskIds())
        states.push_back(GetTaskView(id)->state);
    EXPECT_THAT(states, ElementsAre(kTaskFailed, kTaskFailed, kTaskFailed, kTaskFailed, kTaskFailed,
                                    kTaskFileExists));
    // Shown and counted as the failures they now are, and never queued.
    EXPECT_EQ(m_Ui.CallsStartingWith("restored failed").size(), 6u);
    EXPECT_EQ(QueuedTaskCount(), 0u);
}

TEST_F(TaskListTest, ALongNameSurvivesTheRoundTrip) {
    const std::u16string name(300, u'长');
    AddRestoredTask(PathOf("x"), name, kTaskComplete);
    ASSERT_TRUE(SaveTaskList(ListPath()));
    const std::string bytes = norvel::test::ReadFile(ListFile());
    EXPECT_NE(bytes.find("\xFF\xFE\xFF\xFF\x2C\x01"s), std::string::npos);
    StopAllTasks();
    ASSERT_EQ(LoadTaskList(ListPath()).restored, 1);
    EXPECT_EQ(GetTaskView(TaskIds().front())->name, name);
}

TEST_F(TaskListTest, ACutShortListRestoresItsCompleteRecordsAndIsKeptAside) {
    const std::string bytes = EncodeTaskList({{u"/a", u"1.txt", kTaskComplete},
                                              {u"/b", u"2.txt", kTaskComplete},
                                              {u"/c", u"3.txt", kTaskComplete}});
    const std::string cut = bytes.substr(0, bytes.size() - 7);
    norvel::test::WriteFile(ListFile(), cut);
    norvel::test::WriteFile(ListFile() + ".damaged", "an older copy");

    const LoadedTaskList loaded = RestoreSavedTasks();
    EXPECT_TRUE(loaded.damaged);
    EXPECT_EQ(loaded.restored, 2);
    EXPECT_EQ(TaskIds().size(), 2u);
    EXPECT_THAT(m_Ui.CallsStartingWith("added"), ElementsAre("added 2 2.txt"));
    EXPECT_FALSE(std::filesystem::exists(ListFile()));
    EXPECT_EQ(norvel::test::ReadFile(ListFile() + ".damaged"), cut);

    // A list too short to hold its count is kept alike.
    norvel::test::WriteFile(ListFile(), "\x01\x00"s);
    EXPECT_TRUE(RestoreSavedTasks().damaged);
    EXPECT_EQ(norvel::test::ReadFile(ListFile() + ".damaged"), "\x01\x00"s);
}

TEST_F(TaskListTest, SavingWithoutAnInstallPathOrIntoAnUnwritablePlaceFails) {
    norvel::test::WriteFile(m_Dir.File("blocker"), "a file where a folder should be");
    EXPECT_FALSE(SaveTaskList(PathOf("blocker/uploader.dat")));
    EXPECT_FALSE(SaveTaskList(u""));
}

#include <string>
#include <vector>

#include "intake/exports.h"
#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "intake_test_support.h"
#include "platform/event.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

using namespace intake;
using intake_test::IntakeTest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr platform::WindowHandle kHost = 0x7777;  // only compared with null

class ExportsTest : public IntakeTest {
protected:
    void SetUp() override {
        IntakeTest::SetUp();
        StartQueue(0);
    }

    UploadRequestEntry Entry(const std::string& name, int32_t kind = kUploadRequest) {
        MakeFile("in/" + name);
        UploadRequestEntry entry;
        EXPECT_TRUE(MakeEntry(kind, PathOf("in"), platform::Utf8ToWide(name), entry));
        return entry;
    }
};

}  // namespace

TEST_F(ExportsTest, StartedDirectlyTheMainWindowIsMadeOnceAndOnlyTheMiniWindowShown) {
    SetUpLoadTask(nullptr, platform::kNoWindow);
    SetUpLoadTask(nullptr, platform::kNoWindow);
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("create main", "show mini", "show mini"));
    EXPECT_TRUE(MainWindowExists());
    EXPECT_EQ(MainWindow(), m_Ui.Main());
}

TEST_F(ExportsTest, RefusedEntriesAreDroppedAndTheRestReachesTheMainWindow) {
    intake::Session().SetLoggedIn(true);
    const RequestBatch batch = {Entry("desktop.ini"), Entry("a.txt")};
    SetUpLoadTask(&batch, kHost);
    EXPECT_THAT(m_Ui.Calls(),
                ElementsAre("create main", "added 1 a.txt", "show mini", "show main", "use 1 1"));
    ASSERT_EQ(TaskIds(), (std::vector<int32_t>{10001}));
    EXPECT_EQ(GetTaskView(10001)->name, u"a.txt");
}

TEST_F(ExportsTest, NothingAcceptableShowsTheMessageAndClosesAnIdleHost) {
    // A name the service cannot store (a line break in it) is refused alike.
    const RequestBatch batch = {Entry("Thumbs.DB"), Entry("line\nbreak.txt")};
    SetUpLoadTask(&batch, kHost);
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("message 没有可上传文件|错误", "close host"));
    EXPECT_FALSE(MainWindowExists());

    // An empty batch is treated alike; with an upload batch open the host stays.
    m_Ui.ClearCalls();
    Session().AddLibraryUser();
    const RequestBatch empty;
    SetUpLoadTask(&empty, kHost);
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("message 没有可上传文件|错误"));
}

TEST_F(ExportsTest, AnEntryWithoutTerminatorIsRefusedNotCut) {
    intake::Session().SetLoggedIn(true);
    // The 260-unit name would name "x" + 259 more units: never a shorter path.
    UploadRequestEntry cut = Entry("whole.txt");
    for (char16_t& unit : cut.szName)
        unit = u'x';
    MakeFile("in/" + std::string(255, 'x'));  // a file the cut name could be taken for
    const RequestBatch batch = {cut, Entry("b.txt")};
    SetUpLoadTask(&batch, kHost);
    ASSERT_EQ(TaskIds(), (std::vector<int32_t>{10001}));
    EXPECT_EQ(GetTaskView(10001)->name, u"b.txt");
}

TEST_F(ExportsTest, WithoutAUserInterfaceRequestsAreStillTaken) {
    SetIntakeUi(nullptr);
    intake::Session().SetLoggedIn(true);
    const RequestBatch batch = {Entry("a.txt")};
    SetUpLoadTask(&batch, kHost);
    EXPECT_EQ(TaskIds(), (std::vector<int32_t>{10001}));
}

TEST_F(ExportsTest, SetUserInfoStoresTheFiguresAndWritesChangedValues) {
    SetUserInfo(UserInfoRecord{"42", u"vip", u"2048", u"10000", u"500", u"2030-01-01"});
    EXPECT_EQ(settings::GetUserId(), "42");
    EXPECT_EQ(settings::GetMaxFileSize(), u"2048");
    EXPECT_EQ(settings::GetSpaceCapacity(), u"10000");
    EXPECT_EQ(settings::GetUsedSpace(), u"500");
    const auto flinga = platform::RegistryKey::Open(settings::kFlingaKey);
    ASSERT_TRUE(flinga);
    EXPECT_EQ(flinga->ReadString(settings::kUserLevel), u"vip");
    EXPECT_EQ(flinga->ReadString(settings::kPrivPfval), u"2030-01-01");
}

TEST_F(ExportsTest, CloseAllWndStopsTheTasksAndClosesEveryWindowInOrder) {
    CloseAllWnd();  // nothing made yet: nothing happens
    EXPECT_FALSE(IsShuttingDown());

    intake::Session().SetLoggedIn(true);
    const RequestBatch upload = {Entry("a.txt")};
    SetUpLoadTask(&upload, kHost);
    const RequestBatch share = {Entry("s.txt", kShareLinkRequest)};
    SetUpLoadTask(&share, kHost);
    ASSERT_EQ(TaskIds().size(), 1u);
    m_Ui.ClearCalls();

    CloseAllWnd();
    EXPECT_TRUE(IsShuttingDown());
    EXPECT_TRUE(settings::AbortEvent().IsSet());
    EXPECT_THAT(TaskIds(), IsEmpty());
    EXPECT_EQ(QueuedTaskCount(), 0u);
    EXPECT_THAT(m_Ui.Calls(), ElementsAre("close share", "close tips", "close mini", "close main"));
    EXPECT_FALSE(MainWindowExists());
}

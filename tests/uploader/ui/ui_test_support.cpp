#include "ui_test_support.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <filesystem>

#include "intake/exports.h"
#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

namespace ui_test {

std::string Utf8(std::u16string_view text) {
    return platform::WideToUtf8(text);
}

void UiTest::SetUp() {
    setenv("NORVEL_REGISTRY", m_Dir.File("registry.reg").c_str(), 1);
    settings::ResetCaches();
    // The skin comes from the build's Flinga folder; the saved list and the logs go to
    // the test folder.
    settings::SetHostProgramPath(platform::Utf8ToWide(NORVEL_TEST_FLINGA_DIR "/Norvel_Flinga"));
    platform::RegistryKey::Create(settings::kNorvelKey)
        ->WriteString(settings::kInstallPath, platform::Utf8ToWide(m_Dir.Path()));
    std::filesystem::create_directories(m_Dir.File("Flinga"));
    settings::SetMaxFileSize(u"1000000000");
    intake::Session().SetLoggedIn(true);  // the library's root is otherwise fresh
    intake::StartQueue(0);

    ui::CQtUiOptions options;
    options.showMessage = [this](std::u16string_view text, std::u16string_view caption) {
        m_Messages.push_back(Utf8(caption) + "|" + Utf8(text));
    };
    options.closeHost = [this] { ++m_HostCloses; };
    options.opacityChanged = [this](int percent) { m_Opacities.push_back(percent); };
    options.taskShown = [this](int32_t id) {
        if (m_TaskShown)
            m_TaskShown(id);
    };
    options.updaterPath = platform::Utf8ToWide(m_Dir.File("Norvel_update2"));
    options.notifyBusAddress = m_NotifyBus;
    m_Ui = std::make_unique<ui::CQtIntakeUi>(options);
    intake::SetIntakeUi(m_Ui.get());
}

void UiTest::TearDown() {
    intake::StopQueue();
    intake::SetIntakeUi(nullptr);
    m_Ui.reset();
    ProcessEvents();
    settings::ResetCaches();
}

bool WaitForEvents(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

void RunDueEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void SaveScreenshot(QWidget& widget, const std::string& name) {
    QDir().mkpath(NORVEL_UI_SHOTS_DIR);
    widget.grab().save(
        QString::fromStdString(std::string(NORVEL_UI_SHOTS_DIR "/") + name + ".png"));
}

bool UiTest::WaitFor(const std::function<bool()>& condition) {
    return WaitForEvents(condition, 10000);
}

void UiTest::ProcessEvents() {
    RunDueEvents();
}

std::u16string UiTest::PathOf(const std::string& relative) const {
    return platform::Utf8ToWide(m_Dir.File(relative));
}

std::u16string UiTest::MakeFile(const std::string& relative, const std::string& bytes) {
    const std::string path = m_Dir.File(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    norvel::test::WriteFile(path, bytes);
    return platform::Utf8ToWide(path);
}

std::u16string UiTest::MakeFolder(const std::string& relative) {
    std::filesystem::create_directories(m_Dir.File(relative));
    return PathOf(relative);
}

intake::RequestBatch UiTest::UploadBatch(const std::vector<std::string>& names) {
    intake::RequestBatch batch;
    for (const std::string& name : names) {
        MakeFile("in/" + name, "content of " + name);
        intake::UploadRequestEntry entry;
        EXPECT_TRUE(intake::MakeEntry(intake::kUploadRequest, PathOf("in"),
                                      platform::Utf8ToWide(name), entry));
        batch.push_back(entry);
    }
    return batch;
}

ui::CuploadDlg& UiTest::Main() {
    if (!m_Ui->MainDialog())
        SetUpLoadTask(nullptr, platform::kNoWindow);
    return *m_Ui->MainDialog();
}

std::vector<int32_t> UiTest::AddTasks(int count, const std::string& prefix) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(prefix + std::to_string(++m_FileCount) + ".txt");
    const size_t before = intake::TaskIds().size();
    Main();
    const intake::RequestBatch batch = UploadBatch(names);
    SetUpLoadTask(&batch, platform::kNoWindow);
    // The request is filtered and becomes tasks away from this thread, then rows here.
    std::vector<int32_t> added;
    EXPECT_TRUE(WaitFor([&] {
        const std::vector<int32_t> ids = intake::TaskIds();
        if (ids.size() != before + names.size())
            return false;
        added.assign(ids.end() - count, ids.end());
        return std::all_of(added.begin(), added.end(),
                           [&](int32_t id) { return Rows().HasRow(id); });
    }));
    return added;
}

void UiTest::Report(int32_t id, int32_t state, uint64_t done) {
    {
        std::lock_guard lock(intake::TaskLock());
        intake::UploadContext* task = intake::FindTaskLocked(id);
        ASSERT_NE(task, nullptr) << id;
        task->m_State = state;
        task->m_DoneSize = done;
    }
    intake::NotifyTask(id, intake::MainWindow());
}

void UiTest::ReportAndShow(int32_t id, int32_t state, uint64_t done) {
    Report(id, state, done);
    EXPECT_TRUE(WaitFor([&] {
        const ui::CTaskBarWin* row = Rows().Row(id);
        return row && row->State() == state && row->DoneSize() == std::min(done, row->TotalSize());
    })) << id
        << " " << state;
}

void UiTest::SaveShot(QWidget& widget, const std::string& name) {
    SaveScreenshot(widget, name);
}

}  // namespace ui_test

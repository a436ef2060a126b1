#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "intake/request_entry.h"
#include "support/test_env.h"
#include "ui/qt_intake_ui.h"

namespace ui_test {

// Runs Qt's events (deferred deletions too) until the condition holds (true) or limitMs
// passed (false).
bool WaitForEvents(const std::function<bool()>& condition, int limitMs);
// Runs the events that are due now, deferred deletions included.
void RunDueEvents();
// Saves the widget's picture as NAME.png in the tests' screenshot folder.
void SaveScreenshot(QWidget& widget, const std::string& name);

// Each test starts with its own settings file (logged in, install path in the test
// folder), no tasks, task ids from 10001, the queue without workers (tasks wait until a
// test moves them), and a fresh user interface whose message box, host closing and
// updater are recorded instead of shown or run. The test's thread is the user-interface
// thread; Qt's events run while a test waits.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs Qt's events until the condition holds (true) or ten seconds passed (false).
    static bool WaitFor(const std::function<bool()>& condition);
    // Runs the events that are due now.
    static void ProcessEvents();

    std::u16string MakeFile(const std::string& relative, const std::string& bytes = "data");
    std::u16string MakeFolder(const std::string& relative);
    std::u16string PathOf(const std::string& relative) const;
    // An upload batch of files made below "in/".
    intake::RequestBatch UploadBatch(const std::vector<std::string>& names);

    // The main window, created as the launcher's first start request does.
    ui::CuploadDlg& Main();
    ui::CTaskWinContainer& Rows() { return Main().TaskContainer(); }
    // Adds upload tasks for new files through the main window and waits for their rows;
    // returns their ids.
    std::vector<int32_t> AddTasks(int count, const std::string& prefix = "f");
    // Sets a task's state and bytes done as the engine would, and reports it.
    static void Report(int32_t id, int32_t state, uint64_t done = 0);
    // Reports and waits until the row shows the state.
    void ReportAndShow(int32_t id, int32_t state, uint64_t done = 0);

    // Keeps the widget's picture in the screenshots folder of the test build.
    static void SaveShot(QWidget& widget, const std::string& name);

    norvel::test::TempDir m_Dir;
    std::unique_ptr<ui::CQtIntakeUi> m_Ui;
    std::vector<std::string> m_Messages;  // "caption|text"
    int m_HostCloses = 0;
    std::vector<int> m_Opacities;              // every opacity the main window took
    std::function<void(int32_t)> m_TaskShown;  // run as the drain shows each task
    int m_FileCount = 0;
    // The bus of the desktop notices; empty: the test's session bus, which does not exist.
    QString m_NotifyBus;
};

std::string Utf8(std::u16string_view text);

}  // namespace ui_test

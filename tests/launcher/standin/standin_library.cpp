// A stand-in for libNorvel_flinga.so in the launcher's tests: it exports the three entry
// points and writes down every call, one line each, to the file named by
// NORVEL_STANDIN_RECORD:
//
//   SetUpLoadTask none                       both arguments null (show the mini window)
//   SetUpLoadTask kind=K count=N names=a|b   a batch (K: the first entry's kind)
//   CloseAllWnd
//   save                                     WM_SAVE_AND_EXIT reached its main window
//   unload
//
// Like the real library it serves the control socket from load to unload and, from its
// first SetUpLoadTask call on, has a main window (on a thread of its own) that carries the
// property "norvel_uploader_exe". A batch whose first name is "close-host", and the save
// and exit message, make it ask the host to close, as the real library does.

#include <QCoreApplication>
#include <QMetaObject>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "control/control_server.h"
#include "intake/exports.h"
#include "intake/messages.h"
#include "platform/message_loop.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

std::mutex g_Lock;
std::unique_ptr<platform::ThreadMessageLoop> g_Loop;  // guarded by g_Lock
platform::WindowHandle g_MainWindow = platform::kNoWindow;
int g_Batches = 0;

void Record(const std::string& line) {
    const char* path = std::getenv("NORVEL_STANDIN_RECORD");
    if (!path)
        return;
    std::lock_guard lock(g_Lock);
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

void CloseHost() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

platform::LResult OnMainWindowMessage(uint32_t message, platform::WParam, platform::LParam) {
    switch (message) {
        case intake::WM_SAVE_AND_EXIT:
            Record("save");
            CloseHost();
            return 0;
        case intake::WM_QUERY_PENDING: {
            std::lock_guard lock(g_Lock);
            return g_Batches;
        }
        default:
            return 0;
    }
}

void EnsureMainWindow() {
    std::lock_guard lock(g_Lock);
    if (g_Loop)
        return;
    g_Loop = std::make_unique<platform::ThreadMessageLoop>();
    g_MainWindow = platform::RegisterWindow(*g_Loop, &OnMainWindowMessage, u"Norvel网盘Flinga");
    platform::SetWindowProperty(g_MainWindow, std::u16string(control::kMainWindowProperty), 1);
}

std::string Describe(const intake::RequestBatch& batch) {
    std::string names;
    for (const auto& entry : batch)
        names += (names.empty() ? "" : "|") + platform::WideToUtf8(intake::EntryName(entry));
    const int kind = batch.empty() ? 0 : batch.front().nKind;
    return "SetUpLoadTask kind=" + std::to_string(kind) + " count=" + std::to_string(batch.size()) +
           " names=" + names;
}

[[gnu::constructor]] void OnLoad() {
    control::StartControlServer({});
}

[[gnu::destructor]] void OnUnload() {
    control::StopControlServer();
    std::unique_ptr<platform::ThreadMessageLoop> loop;
    {
        std::lock_guard lock(g_Lock);
        loop = std::move(g_Loop);
    }
    loop.reset();  // joins its thread
    Record("unload");
}

}  // namespace

void SetUpLoadTask(const intake::RequestBatch* batch, platform::WindowHandle hostWnd) {
    EnsureMainWindow();
    if (!batch && hostWnd == platform::kNoWindow) {
        Record("SetUpLoadTask none");
        return;
    }
    {
        std::lock_guard lock(g_Lock);
        ++g_Batches;
    }
    Record(Describe(*batch));
    if (!batch->empty() && intake::EntryName(batch->front()) == u"close-host")
        CloseHost();
}

void SetUserInfo(intake::UserInfoRecord) {}

void CloseAllWnd() {
    Record("CloseAllWnd");
}

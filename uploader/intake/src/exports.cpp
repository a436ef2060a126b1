#include "intake/exports.h"

#include <memory>

#include "intake/filter.h"
#include "intake/intake_state.h"
#include "intake/intake_ui.h"
#include "intake/library.h"
#include "intake/messages.h"
#include "intake/queue.h"
#include "intake/request_batch.h"
#include "log/log.h"
#include "log/log_events.h"
#include "settings/settings.h"

namespace intake {
namespace {

// An entry whose field fills all 260 units has lost its terminator, and perhaps the end
// of its path: it is refused rather than taken for a shorter path.
bool IsCarriedWhole(const UploadRequestEntry& entry) {
    if (IsEntryTerminated(entry))
        return true;
    Log().Write(L3_KEY, log_events::kUploaderAddFile, false,
                u"DESC=request entry without terminator refused", EntryPath(entry));
    return false;
}

RequestBatch AcceptedEntries(const RequestBatch* batch) {
    RequestBatch accepted;
    if (!batch)
        return accepted;
    for (const UploadRequestEntry& entry : *batch) {
        if (IsCarriedWhole(entry) && !IsRefusedPath(EntryPath(entry)))
            accepted.push_back(entry);
    }
    return accepted;
}

// Nothing to upload: the user is told, and a host that has nothing else open closes.
void RefuseEmptyRequest() {
    CIntakeUi& ui = IntakeUi();
    ui.ShowMessage(u"没有可上传文件", u"错误");
    if (Session().LibraryUsers() <= 0)
        ui.CloseHost();
}

// The accepted entries of a request go to the main window, or, when none is left, the
// user is told.
void DeliverAccepted(const RequestBatch& accepted) {
    if (accepted.empty()) {
        RefuseEmptyRequest();
        return;
    }
    EnsureMainWindow();
    if (!MainWindowExists()) {
        OnRequestBatch(&accepted);  // no user interface: the requests are still taken
        return;
    }
    // Sent, not posted: the handler copies what it keeps while the batch still exists.
    platform::SendMessage(MainWindow(), WM_REQUEST_BATCH, 0,
                          reinterpret_cast<platform::LParam>(&accepted));
}

void SendCloseToEach(const std::vector<platform::WindowHandle>& windows) {
    for (const platform::WindowHandle window : windows) {
        if (platform::IsWindow(window))
            platform::SendMessage(window, platform::WM_CLOSE);
    }
}

}  // namespace
}  // namespace intake

using namespace intake;

void SetUpLoadTask(const RequestBatch* batch, platform::WindowHandle hostWnd) {
    InstallUiIfNeeded();
    if (!batch && hostWnd == platform::kNoWindow) {
        EnsureMainWindow();
        IntakeUi().ShowMiniWindow();
        return;
    }
    // The filter looks at the disk; the user interface may run it away from its thread,
    // and the request goes on afterwards. The host's batch is copied first: it is only
    // the host's for the length of this call.
    auto request = std::make_shared<RequestBatch>(batch ? *batch : RequestBatch{});
    IntakeUi().RunDiskWork([request] { *request = AcceptedEntries(request.get()); },
                           [request] { DeliverAccepted(*request); });
}

void SetUserInfo(UserInfoRecord record) {
    settings::SetUserId(record.uid);
    settings::SetUserLevel(record.level);
    settings::SetMaxFileSize(record.maxfs);
    settings::SetSpaceCapacity(record.spacecapacity);
    settings::SetUsedSpace(record.usedspacecapacity);
    settings::SetPrivPfval(record.periodofvalidity);
}

void CloseAllWnd() {
    if (MainWindow() == platform::kNoWindow)
        return;
    BeginShutdown();
    SendCloseToEach(SecondaryWindows());
    CIntakeUi& ui = IntakeUi();
    SendCloseToEach({ui.TipsWindow(), ui.MiniWindow(), MainWindow()});
}

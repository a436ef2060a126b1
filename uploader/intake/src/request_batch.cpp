#include "intake/request_batch.h"

#include <string_view>
#include <utility>
#include <vector>

#include "intake/intake_state.h"
#include "intake/intake_ui.h"
#include "intake/library.h"
#include "intake/queue.h"
#include "intake/usage_counter.h"
#include "settings/registry_values.h"
#include "settings/settings.h"

namespace intake {
namespace {

bool IsLoggedIn() {
    return Session().IsLoggedIn() || RestoreSavedLogin() != 0;
}

void AcceptUploadBatch(const RequestBatch& batch) {
    std::vector<std::pair<std::u16string, std::u16string>> files;
    files.reserve(batch.size());
    for (const UploadRequestEntry& entry : batch)
        files.emplace_back(EntryDir(entry), EntryName(entry));
    CIntakeUi& ui = IntakeUi();
    ui.RunDiskWork(
        [files = std::move(files)] {
            for (const auto& [dir, name] : files)
                AddUploadRequest(dir, name);
        },
        {});
    // The files-added notice counts the batch's tasks as pending, one each, since every
    // task's result takes one off again.
    ui.ShowAdded(static_cast<int>(batch.size()), EntryName(batch.front()));
    Session().AddLibraryUser();
    ui.ShowMiniWindow();
    ui.ShowMainWindow();
}

// Until the share-link and Weibo windows exist, their requests are refused in so many
// words: nothing is uploaded and nothing is counted, so the pending count only holds what
// a window will count down again.
constexpr std::u16string_view kNotAvailableCaption = u"提示";
constexpr std::u16string_view kShareLinkNotAvailable = u"分享链接功能暂不可用";
constexpr std::u16string_view kWeiboNotAvailable = u"新浪微博分享功能暂不可用";

// Returns false when no window opened (the user was told).
bool OpenShareLink(const RequestBatch& batch, bool loggedIn) {
    const platform::WindowHandle window = IntakeUi().OpenShareLinkWindow(batch, loggedIn);
    if (window == platform::kNoWindow) {
        IntakeUi().ShowMessage(kShareLinkNotAvailable, kNotAvailableCaption);
        return false;
    }
    AddSecondaryWindow(window);
    return true;
}

// Returns false when no window opened: one is open already (the request is dropped), or
// the function is not available (the user was told).
bool OpenWeiboPost(const RequestBatch& batch) {
    if (Session().IsWeiboBusy())
        return false;
    const platform::WindowHandle window = IntakeUi().OpenWeiboWindow(batch);
    if (window == platform::kNoWindow) {
        IntakeUi().ShowMessage(kWeiboNotAvailable, kNotAvailableCaption);
        return false;
    }
    AddSecondaryWindow(window);
    return true;
}

void HandleLoggedIn(const RequestBatch& batch) {
    const int32_t kind = batch.front().nKind;
    bool counted = true;
    switch (kind) {
        case kUploadRequest:
            AcceptUploadBatch(batch);
            break;
        case kShareLinkRequest:
            counted = OpenShareLink(batch, true);
            break;
        case kWeiboRequest:
            counted = OpenWeiboPost(batch);
            break;
        default:
            break;  // other kinds are only counted
    }
    // A share-link or Weibo window that opened counts itself as pending when it is made
    // and counts itself down once when it closes, so intake counts nothing for it here.
    if (counted)
        CountUse(kind, true);
}

// The batch waits for the login; the login dialog opens unless it is up already.
void WaitForLogin(const RequestBatch& batch) {
    AddBatchWaitingForLogin(batch);
    if (!Session().TryClaimLoginDialog())
        return;
    const platform::WindowHandle login = IntakeUi().OpenLoginDialog();
    SetLoginWindow(login);
    AddSecondaryWindow(login);
}

// A share-link request without a login: anonymous when the user chose that for good, or
// now; a user who wants to log in first (OK) gets the login.
bool ShareAnonymously(const RequestBatch& batch) {
    const auto anonymous = settings::ReadDword(settings::kFlingaKey, settings::kAnonyLink);
    if ((anonymous && *anonymous != 0) || !IntakeUi().AskAnonymousLink()) {
        if (OpenShareLink(batch, false))
            CountUse(kShareLinkRequest, false);
        return true;
    }
    return false;
}

}  // namespace

platform::LResult OnRequestBatch(const RequestBatch* batch) {
    if (!batch || batch->empty())
        return 0;
    if (IsLoggedIn()) {
        HandleLoggedIn(*batch);
        return 0;
    }
    if (batch->front().nKind == kShareLinkRequest && ShareAnonymously(*batch))
        return 0;
    WaitForLogin(*batch);
    return 0;
}

}  // namespace intake

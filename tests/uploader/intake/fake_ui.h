#pragma once

#include <map>
#include <string>
#include <vector>

#include "intake/intake_ui.h"
#include "intake/request_entry.h"
#include "platform/message_loop.h"

namespace intake_test {

// Records every request of intake to the user interface as one line of text, and makes
// real windows (on the given loop) where intake expects them. The main window routes
// WM_REQUEST_BATCH to intake's handler and counts WM_TASK_CHANGED; every window destroys
// itself on WM_CLOSE, which is recorded as "close <name>".
class FakeUi final : public intake::CIntakeUi {
public:
    // Also records the uses that intake counts, as "use <kind> <loggedIn>".
    explicit FakeUi(platform::MessageLoop& loop);
    ~FakeUi();

    platform::WindowHandle CreateMainWindow() override;
    void ShowMainWindow() override { Record("show main"); }
    void ShowMiniWindow() override;
    platform::WindowHandle MiniWindow() override { return m_Mini; }
    platform::WindowHandle TipsWindow() override { return m_Tips; }
    void ShowAdded(int count, std::u16string_view name) override;
    void ShowMessage(std::u16string_view text, std::u16string_view caption) override;
    void CloseHost() override { Record("close host"); }
    platform::WindowHandle OpenShareLinkWindow(const intake::RequestBatch& batch,
                                               bool loggedIn) override;
    platform::WindowHandle OpenWeiboWindow(const intake::RequestBatch& batch) override;
    bool AskAnonymousLink() override;
    platform::WindowHandle OpenLoginDialog() override;
    void CountRestoredResult(bool succeeded) override;
    void RepaintWindows() override { Record("repaint"); }

    // The lines recorded so far, and those that start with the prefix.
    const std::vector<std::string>& Calls() const { return m_Calls; }
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    void ClearCalls() { m_Calls.clear(); }

    platform::WindowHandle Main() const { return m_Main; }
    int TaskChangedMessages() const { return m_TaskChanged; }
    // The answer to the anonymous-link question (OK: log in first).
    bool m_AnonymousAnswerOk = false;
    // False: the share-link and Weibo windows do not exist (none opens).
    bool m_LinkWindowsExist = true;

private:
    platform::WindowHandle MakeWindow(const std::string& name);
    void Record(std::string line) { m_Calls.push_back(std::move(line)); }

    platform::MessageLoop& m_Loop;
    std::vector<std::string> m_Calls;
    std::vector<platform::WindowHandle> m_Windows;
    platform::WindowHandle m_Main = platform::kNoWindow;
    platform::WindowHandle m_Mini = platform::kNoWindow;
    platform::WindowHandle m_Tips = platform::kNoWindow;
    int m_TaskChanged = 0;
};

// UTF-8 of wide text, for readable expectations.
std::string Utf8(std::u16string_view text);
// Names of a batch, joined with ",".
std::string BatchNames(const intake::RequestBatch& batch);

}  // namespace intake_test

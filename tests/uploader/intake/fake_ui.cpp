#include "fake_ui.h"

#include <memory>

#include "intake/messages.h"
#include "intake/request_batch.h"
#include "intake/usage_counter.h"
#include "platform/text.h"
#include "platform/window.h"

namespace intake_test {

using platform::LParam;
using platform::LResult;
using platform::WindowHandle;
using platform::WParam;

std::string Utf8(std::u16string_view text) {
    return platform::WideToUtf8(text);
}

std::string BatchNames(const intake::RequestBatch& batch) {
    std::string names;
    for (const auto& entry : batch)
        names += (names.empty() ? "" : ",") + Utf8(intake::EntryName(entry));
    return names;
}

FakeUi::FakeUi(platform::MessageLoop& loop) : m_Loop(loop) {
    intake::SetUsageCounter([this](int32_t kind, bool loggedIn) {
        Record("use " + std::to_string(kind) + " " + (loggedIn ? "1" : "0"));
    });
}

FakeUi::~FakeUi() {
    intake::SetUsageCounter(nullptr);
    for (WindowHandle window : m_Windows)
        platform::DestroyWindow(window);
}

WindowHandle FakeUi::MakeWindow(const std::string& name) {
    auto self = std::make_shared<WindowHandle>(platform::kNoWindow);
    const WindowHandle window = platform::RegisterWindow(
        m_Loop, [this, name, self](uint32_t message, WParam, LParam lParam) -> LResult {
            if (message == platform::WM_CLOSE) {
                Record("close " + name);
                platform::DestroyWindow(*self);
            } else if (name == "main" && message == intake::WM_REQUEST_BATCH) {
                return intake::OnRequestBatch(
                    reinterpret_cast<const intake::RequestBatch*>(lParam));
            } else if (name == "main" && message == intake::WM_TASK_CHANGED) {
                ++m_TaskChanged;
            }
            return 0;
        });
    *self = window;
    m_Windows.push_back(window);
    return window;
}

WindowHandle FakeUi::CreateMainWindow() {
    Record("create main");
    m_Main = MakeWindow("main");
    m_Tips = MakeWindow("tips");
    return m_Main;
}

void FakeUi::ShowMiniWindow() {
    Record("show mini");
    if (m_Mini == platform::kNoWindow)
        m_Mini = MakeWindow("mini");
}

void FakeUi::ShowAdded(int count, std::u16string_view name) {
    Record("added " + std::to_string(count) + " " + Utf8(name));
}

void FakeUi::ShowMessage(std::u16string_view text, std::u16string_view caption) {
    Record("message " + Utf8(text) + "|" + Utf8(caption));
}

WindowHandle FakeUi::OpenShareLinkWindow(const intake::RequestBatch& batch, bool loggedIn) {
    Record("share " + std::string(loggedIn ? "account " : "anonymous ") + BatchNames(batch));
    return m_LinkWindowsExist ? MakeWindow("share") : platform::kNoWindow;
}

WindowHandle FakeUi::OpenWeiboWindow(const intake::RequestBatch& batch) {
    Record("weibo " + BatchNames(batch));
    return m_LinkWindowsExist ? MakeWindow("weibo") : platform::kNoWindow;
}

bool FakeUi::AskAnonymousLink() {
    Record("ask anonymous");
    return m_AnonymousAnswerOk;
}

WindowHandle FakeUi::OpenLoginDialog() {
    Record("login");
    return MakeWindow("login");
}

void FakeUi::CountRestoredResult(bool succeeded) {
    Record(succeeded ? "restored done" : "restored failed");
}

std::vector<std::string> FakeUi::CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& call : m_Calls) {
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call);
    }
    return found;
}

}  // namespace intake_test

#include "intake/intake_ui.h"

#include <atomic>

namespace intake {
namespace {

using platform::kNoWindow;
using platform::WindowHandle;

// Stands in while no user interface is installed: shows nothing, opens nothing, and
// answers the anonymous-link question with "no" (the link is made anonymously).
class CNoUi final : public CIntakeUi {
public:
    WindowHandle CreateMainWindow() override { return kNoWindow; }
    void ShowMainWindow() override {}
    void ShowMiniWindow() override {}
    WindowHandle MiniWindow() override { return kNoWindow; }
    WindowHandle TipsWindow() override { return kNoWindow; }
    void ShowAdded(int, std::u16string_view) override {}
    void ShowMessage(std::u16string_view, std::u16string_view) override {}
    void CloseHost() override {}
    WindowHandle OpenShareLinkWindow(const RequestBatch&, bool) override { return kNoWindow; }
    WindowHandle OpenWeiboWindow(const RequestBatch&) override { return kNoWindow; }
    bool AskAnonymousLink() override { return false; }
    WindowHandle OpenLoginDialog() override { return kNoWindow; }
    void CountRestoredResult(bool) override {}
    void RepaintWindows() override {}
};

CNoUi g_NoUi;
std::atomic<CIntakeUi*> g_Ui{nullptr};
std::atomic<UiInstaller> g_Installer{nullptr};

}  // namespace

void SetIntakeUi(CIntakeUi* ui) {
    g_Ui = ui;
}

CIntakeUi& IntakeUi() {
    CIntakeUi* ui = g_Ui.load();
    return ui ? *ui : g_NoUi;
}

void SetUiInstaller(UiInstaller installer) {
    g_Installer = installer;
}

void InstallUiIfNeeded() {
    if (g_Ui.load())
        return;
    if (const UiInstaller installer = g_Installer.load())
        installer();
}

}  // namespace intake

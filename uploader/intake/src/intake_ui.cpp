#include "intake/intake_ui.h"

#include "intake/library.h"

namespace intake {
namespace {

using platform::kNoWindow;
using platform::WindowHandle;

// Stands in while no user interface is installed: shows nothing, opens nothing, and
// answers the anonymous-link question with "no" (the link is made anonymously). It has no
// state, so one serves every root.
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

}  // namespace

CIntakeUi& NoUi() {
    static CNoUi none;
    return none;
}

void SetIntakeUi(CIntakeUi* ui) {
    Library().SetUi(ui);
}

CIntakeUi& IntakeUi() {
    return Library().Ui();
}

void InstallUiIfNeeded() {
    CUploaderLibrary& library = Library();
    if (library.HasUi())
        return;
    if (const UiInstaller installer = library.Seam(&LibrarySeams::installUi))
        installer();
}

}  // namespace intake

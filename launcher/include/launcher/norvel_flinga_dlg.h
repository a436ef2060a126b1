#pragma once

// The launcher's hidden window: an invisible object that owns the event loop. Its only
// tasks are to relay batches from the plug-in socket into the library (WM_PIPE_BATCH) and
// to end the launcher when asked (WM_CLOSE).

#include <QObject>

#include "intake/exports.h"
#include "platform/window.h"

namespace launcher {

class CQtMessageLoop;

class CNorvelFlingaDlg final : public QObject {
public:
    // The window is registered on the loop at once; `setUpLoadTask` receives the batches.
    CNorvelFlingaDlg(CQtMessageLoop& loop, SetUpLoadTaskFn setUpLoadTask);
    ~CNorvelFlingaDlg() override;  // DestroyWindow()
    CNorvelFlingaDlg(const CNorvelFlingaDlg&) = delete;
    CNorvelFlingaDlg& operator=(const CNorvelFlingaDlg&) = delete;

    platform::WindowHandle Handle() const { return m_Handle; }

    // Runs the application's event loop until the window gets WM_CLOSE, or until the
    // library asks the application to quit. Returns at once when WM_CLOSE came already.
    void DoModal();
    // The window is gone: messages to it are dropped, a batch being sent to it returns 0.
    void DestroyWindow();

private:
    platform::LResult OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam);
    void EndDialog();

    SetUpLoadTaskFn m_SetUpLoadTask;
    platform::WindowHandle m_Handle = platform::kNoWindow;
    bool m_Ended = false;
};

}  // namespace launcher

#include "launcher/norvel_flinga_dlg.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "intake/messages.h"
#include "platform/qt_message_loop.h"

namespace launcher {

CNorvelFlingaDlg::CNorvelFlingaDlg(CQtMessageLoop& loop, SetUpLoadTaskFn setUpLoadTask)
    : m_SetUpLoadTask(setUpLoadTask) {
    m_Handle = platform::RegisterWindow(
        loop,
        [this](uint32_t message, platform::WParam wParam, platform::LParam lParam) {
            return OnMessage(message, wParam, lParam);
        },
        u"Norvel_Flinga");
}

CNorvelFlingaDlg::~CNorvelFlingaDlg() {
    DestroyWindow();
}

void CNorvelFlingaDlg::DestroyWindow() {
    if (m_Handle != platform::kNoWindow)
        platform::DestroyWindow(m_Handle);
    m_Handle = platform::kNoWindow;
}

void CNorvelFlingaDlg::DoModal() {
    if (!m_Ended)
        QCoreApplication::exec();
}

platform::LResult CNorvelFlingaDlg::OnMessage(uint32_t message, platform::WParam,
                                              platform::LParam lParam) {
    switch (message) {
        case intake::WM_PIPE_BATCH:
            // The listener waits in SendMessage: the batch stays valid for this call.
            m_SetUpLoadTask(reinterpret_cast<const intake::RequestBatch*>(lParam), m_Handle);
            return 1;
        case platform::WM_CLOSE:
            EndDialog();
            return 0;
        default:
            return 0;
    }
}

void CNorvelFlingaDlg::EndDialog() {
    m_Ended = true;
    // Queued, so that a close that comes before the loop runs is not lost.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

}  // namespace launcher

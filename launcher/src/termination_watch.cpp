#include "launcher/termination_watch.h"

#include <QSocketNotifier>

#include "control/control_client.h"
#include "intake/messages.h"
#include "launcher/launcher_log.h"
#include "platform/signals.h"
#include "platform/text.h"

namespace launcher {
namespace {

// How long the library may take to save and close before the launcher closes anyway.
constexpr uint32_t kSaveTimeoutMs = 15000;

void AskLibraryToSaveAndExit(const std::string& socketPath) {
    control::ControlRequest request;
    request.target = {control::TargetKind::Property, std::u16string(control::kMainWindowProperty)};
    request.message = intake::WM_SAVE_AND_EXIT;
    const control::ControlReply reply = control::CallControl(socketPath, request, kSaveTimeoutMs);
    // No main window yet (nothing to save), or no library server: the launcher just closes.
    if (reply.error != control::ControlError::None &&
        reply.error != control::ControlError::NoWindow)
        ReportLauncherFailure(u"LAUNCHER_Terminate", u"DESC=the task list could not be saved: " +
                                                         platform::Utf8ToWide(reply.errorText));
}

}  // namespace

CTerminationWatch::CTerminationWatch(platform::WindowHandle dialog, std::string controlSocketPath)
    : m_Dialog(dialog), m_ControlSocketPath(std::move(controlSocketPath)) {
    const int fd = platform::WatchTerminationSignals();
    if (fd < 0)
        return;
    m_Notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_Notifier, &QSocketNotifier::activated, this, [this] { OnSignal(); });
}

CTerminationWatch::~CTerminationWatch() {
    Join();
}

void CTerminationWatch::Join() {
    if (m_Closer.joinable())
        m_Closer.join();
}

void CTerminationWatch::OnSignal() {
    platform::TakeTerminationSignals(static_cast<int>(m_Notifier->socket()));
    if (m_Started)
        return;  // an exit is under way: a second signal saves nothing again
    m_Started = true;
    // On a thread of its own: the library's answer needs this thread's event loop.
    m_Closer = std::thread([dialog = m_Dialog, path = m_ControlSocketPath] {
        AskLibraryToSaveAndExit(path);
        platform::PostMessage(dialog, platform::WM_CLOSE);
    });
}

}  // namespace launcher

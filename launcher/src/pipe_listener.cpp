#include "launcher/pipe_listener.h"

#include <array>
#include <utility>

#include "intake/messages.h"
#include "launcher/pipe_record.h"
#include "platform/event.h"
#include "platform/text.h"

namespace launcher {
namespace {

using platform::WaitResult;

constexpr std::u16string_view kConnectEvent = u"PIPE_Connect";
constexpr std::u16string_view kReadEvent = u"PIPE_ReadRecord";
constexpr std::u16string_view kDeliverEvent = u"PIPE_Deliver";

std::u16string Number(size_t value) {
    return platform::Utf8ToWide(std::to_string(value));
}

}  // namespace

CPipeListener::CPipeListener(PipeListenerOptions options) : m_Options(std::move(options)) {}

CPipeListener::~CPipeListener() {
    Stop();
}

bool CPipeListener::StartPipeListener() {
    if (m_Thread.joinable())
        return true;
    if (!m_WakeEvent)
        m_WakeEvent = platform::FifoEvent::Open(m_Options.wakeEventPath);
    if (!m_Socket)
        m_Socket = platform::PacketListener::Listen(m_Options.socketPath);
    if (!m_WakeEvent || !m_Socket)
        return false;
    try {
        m_Thread = std::thread([this] { Run(); });
    } catch (...) {
        return false;
    }
    return true;
}

void CPipeListener::SetHostWindow(platform::WindowHandle window) {
    {
        std::lock_guard lock(m_Lock);
        m_HostWindow = window;
    }
    m_HostChanged.notify_all();
}

void CPipeListener::RequestStop() {
    {
        std::lock_guard lock(m_Lock);
        m_Stopping = true;
    }
    m_Stop.Set();
    m_HostChanged.notify_all();
}

void CPipeListener::Stop() {
    RequestStop();
    if (m_Thread.joinable())
        m_Thread.join();
    m_Socket.reset();  // removes the socket file: clients see that nobody listens
}

void CPipeListener::Run() {
    for (bool firstPass = true;; firstPass = false) {
        if (!firstPass) {
            if (m_Options.sleeping)
                m_Options.sleeping();
            const WaitResult woken = m_WakeEvent->Wait(platform::kInfinite, &m_Stop);
            if (woken == WaitResult::Failed)
                Report(kConnectEvent, u"DESC=the wake event cannot be read; the listener ends");
            if (woken != WaitResult::Ready)
                return;
        }
        ServeWaitingClients();
        if (m_Stop.IsSet())
            return;
    }
}

void CPipeListener::ServeWaitingClients() {
    // The woken client may still be on its way; the ones after it are taken as long as
    // any waits. Wakes of clients that came together count once, so a client left in the
    // queue here would wait for some unrelated later client.
    for (uint32_t waitMs = platform::kInfinite;; waitMs = 0) {
        platform::PacketConnection client;
        const WaitResult accepted = m_Socket->Accept(client, waitMs, &m_Stop);
        if (accepted == WaitResult::Cancelled || accepted == WaitResult::TimedOut)
            return;
        if (accepted != WaitResult::Ready) {
            Report(kConnectEvent, u"DESC=accepting a client failed");
            return;  // the next wake tries again
        }
        ServeClient(client);
        if (m_Stop.IsSet())
            return;
    }
}

void CPipeListener::ServeClient(platform::PacketConnection& client) {
    if (!client.PeerIsThisUser()) {
        Report(kConnectEvent, u"DESC=a client of another user was refused");
        return;
    }
    intake::RequestBatch batch;
    if (!ReadBatch(client, batch))
        return;
    client.ShutdownWrite();  // a client waiting for this knows its batch arrived whole
    Deliver(batch);
    client.Close();
    (void)m_Stop.Wait(static_cast<uint32_t>(m_Options.pauseAfterBatch.count()));
}

bool CPipeListener::ReadBatch(platform::PacketConnection& client, intake::RequestBatch& batch) {
    // One byte more than a record: a longer message shows as cut short.
    std::array<char, kRecordBytes + 1> buffer{};
    for (size_t index = 1;; ++index) {
        size_t size = 0;
        const WaitResult got =
            client.Receive(buffer, &size, m_Options.clientIdleTimeoutMs, &m_Stop);
        if (got == WaitResult::Cancelled)
            return false;
        if (got == WaitResult::TimedOut) {
            Report(kReadEvent, u"DESC=the client sent nothing in time; its batch ends here");
            return true;
        }
        if (got != WaitResult::Ready || size == 0)
            return true;  // closed, or a read failed: what was read is delivered
        if (size > kRecordBytes) {
            Report(kReadEvent, u"DESC=a message of " + Number(size) +
                                   u" bytes ends the batch at record " + Number(index));
            return true;
        }
        intake::UploadRequestEntry entry;
        const std::u16string problem = CheckPipeRecord({buffer.data(), size}, entry);
        if (!problem.empty()) {
            Report(kReadEvent, u"DESC=record " + Number(index) + u" refused: " + problem);
            continue;
        }
        batch.push_back(entry);
    }
}

void CPipeListener::Deliver(const intake::RequestBatch& batch) {
    const platform::WindowHandle host = WaitForHostWindow();
    // Sent, not posted: the batch stays valid until the library has copied what it keeps.
    const platform::LResult handled =
        host == platform::kNoWindow
            ? 0
            : platform::SendMessage(host, intake::WM_PIPE_BATCH, 0,
                                    reinterpret_cast<platform::LParam>(&batch));
    if (handled != 1)
        Report(kDeliverEvent, u"DESC=the launcher is closing; a batch of " + Number(batch.size()) +
                                  u" requests was dropped");
}

platform::WindowHandle CPipeListener::WaitForHostWindow() {
    std::unique_lock lock(m_Lock);
    m_HostChanged.wait(lock, [this] { return m_Stopping || m_HostWindow != platform::kNoWindow; });
    return m_Stopping ? platform::kNoWindow : m_HostWindow;
}

void CPipeListener::Report(std::u16string_view event, std::u16string_view cause) const {
    if (m_Options.report)
        m_Options.report(event, cause);
}

}  // namespace launcher

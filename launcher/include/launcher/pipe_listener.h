#pragma once

// The plug-in socket's listener: a thread that serves one client at a time. A client sets
// the wake event "NorvelUploader", connects, writes one 1044-byte record per message and
// closes (or shuts down its writing side); the records of one connection are one batch,
// which the listener sends to the launcher's window as WM_PIPE_BATCH so that the library
// gets it on the user-interface thread.
//
//   first pass ──► accept ──► read the batch ──► deliver ──► disconnect, pause 100 ms
//                    ▲  ▲                                             │
//                    │  └─────────── another client waits ◄───────────┤
//                    └─────────── wait for the wake event ◄─── none ──┘
//
// The first pass does not wait for the event; later the event wakes the listener, which
// then serves every client that waits before it sleeps again (wakes of clients that come
// together count once). A batch ends when the client closes, when a message is longer
// than a record, or when the client sends nothing for the idle time-out, so a silent
// client holds the others up for that long only. Malformed records are refused one by one (and
// reported); the rest of the batch goes on. Once the batch is read, the listener shuts
// down its own writing side, so a client that waits for the end of the stream learns that
// its batch arrived whole. A batch that arrives before the launcher's window exists waits
// for it.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "intake/request_entry.h"
#include "platform/fifo_event.h"
#include "platform/io_wait.h"
#include "platform/packet_socket.h"
#include "platform/window.h"

namespace launcher {

struct PipeListenerOptions {
    std::string socketPath;     // PipePath()
    std::string wakeEventPath;  // WakeEventPath()
    // Pause after each connection before the listener waits for the next wake.
    std::chrono::milliseconds pauseAfterBatch{100};
    // A client that sends nothing for this long ends its batch.
    uint32_t clientIdleTimeoutMs = 10000;
    // Told about refused records, dropped batches and failures: event name and cause
    // ("DESC=..."). Called on the listener's thread.
    std::function<void(std::u16string_view event, std::u16string_view cause)> report;
    // Called on the listener's thread each time it has served every waiting client and
    // goes to wait for the wake event (tests wait for it).
    std::function<void()> sleeping;
};

class CPipeListener {
public:
    explicit CPipeListener(PipeListenerOptions options);
    ~CPipeListener();  // Stop()
    CPipeListener(const CPipeListener&) = delete;
    CPipeListener& operator=(const CPipeListener&) = delete;

    // Opens the wake event and the socket (replacing a stale socket file: the caller holds
    // the single-instance lock) and starts the thread. False when the socket, the event or
    // the thread cannot be made. Does nothing more when it runs already.
    [[nodiscard]] bool StartPipeListener();

    // The window that receives WM_PIPE_BATCH. Batches wait until one is set.
    void SetHostWindow(platform::WindowHandle window);

    // Asks the thread to end without waiting for it: a batch not yet delivered is dropped.
    void RequestStop();
    // RequestStop, then joins the thread and removes the socket. The host window must be
    // gone (or its thread free) by then: a delivery in progress waits for it.
    void Stop();

private:
    void Run();
    // Serves clients until none waits: the first may still be connecting.
    void ServeWaitingClients();
    void ServeClient(platform::PacketConnection& client);
    // False when the listener is stopping.
    bool ReadBatch(platform::PacketConnection& client, intake::RequestBatch& batch);
    void Deliver(const intake::RequestBatch& batch);
    platform::WindowHandle WaitForHostWindow();
    void Report(std::u16string_view event, std::u16string_view cause) const;

    PipeListenerOptions m_Options;
    std::optional<platform::FifoEvent> m_WakeEvent;
    std::optional<platform::PacketListener> m_Socket;
    platform::CancelSignal m_Stop;  // the stop event: ends every wait of the thread
    std::mutex m_Lock;              // guards the two below
    std::condition_variable m_HostChanged;
    platform::WindowHandle m_HostWindow = platform::kNoWindow;
    bool m_Stopping = false;
    std::thread m_Thread;
};

}  // namespace launcher

#pragma once

// The launcher's window as the plug-in socket's listener sees it: it takes WM_PIPE_BATCH on
// a thread of its own and keeps a copy of each batch.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "intake/request_entry.h"
#include "platform/message_loop.h"
#include "platform/window.h"

namespace norvel::test {

class HostWindow {
public:
    HostWindow();
    ~HostWindow();

    platform::WindowHandle Handle() const { return m_Handle; }

    // The batches received so far, once there are at least `count` or the wait is over.
    std::vector<intake::RequestBatch> WaitFor(
        size_t count, std::chrono::milliseconds wait = std::chrono::seconds(10));

private:
    platform::WindowHandle m_Handle = platform::kNoWindow;
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::vector<intake::RequestBatch> m_Batches;
    platform::ThreadMessageLoop m_Loop;  // last: its thread ends before the rest goes
};

// A request entry for the file "/data/<name>".
intake::UploadRequestEntry TestEntry(int32_t kind, std::u16string_view name);

// The names of a batch's entries, in order.
std::vector<std::u16string> NamesOf(const intake::RequestBatch& batch);

}  // namespace norvel::test

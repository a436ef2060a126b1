#include "support/host_window.h"

#include <gtest/gtest.h>

#include "intake/messages.h"

namespace norvel::test {

HostWindow::HostWindow() {
    m_Handle = platform::RegisterWindow(
        m_Loop,
        [this](uint32_t message, platform::WParam, platform::LParam lParam) -> platform::LResult {
            if (message != intake::WM_PIPE_BATCH)
                return 0;
            std::lock_guard lock(m_Lock);
            m_Batches.push_back(*reinterpret_cast<const intake::RequestBatch*>(lParam));
            m_Changed.notify_all();
            return 1;
        });
}

HostWindow::~HostWindow() {
    platform::DestroyWindow(m_Handle);
}

std::vector<intake::RequestBatch> HostWindow::WaitFor(size_t count,
                                                      std::chrono::milliseconds wait) {
    std::unique_lock lock(m_Lock);
    m_Changed.wait_for(lock, wait, [&] { return m_Batches.size() >= count; });
    return m_Batches;
}

intake::UploadRequestEntry TestEntry(int32_t kind, std::u16string_view name) {
    intake::UploadRequestEntry entry;
    const bool made = intake::MakeEntry(kind, u"/data", name, entry);
    EXPECT_TRUE(made) << "the name does not fit a record";
    return entry;
}

std::vector<std::u16string> NamesOf(const intake::RequestBatch& batch) {
    std::vector<std::u16string> names;
    for (const auto& entry : batch)
        names.emplace_back(intake::EntryName(entry));
    return names;
}

}  // namespace norvel::test

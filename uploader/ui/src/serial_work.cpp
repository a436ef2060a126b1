#include "ui/serial_work.h"

#include <utility>

namespace ui {

CSerialWork::~CSerialWork() {
    {
        std::lock_guard lock(m_Lock);
        m_Quit = true;
        m_Changed.notify_all();
    }
    if (m_Thread.joinable())
        m_Thread.join();
}

void CSerialWork::Run(std::function<void()> job) {
    std::lock_guard lock(m_Lock);
    if (m_Quit)
        return;
    m_Jobs.push_back(std::move(job));
    if (!m_Thread.joinable())
        m_Thread = std::thread(&CSerialWork::Loop, this);
    m_Changed.notify_all();
}

void CSerialWork::WaitIdle() {
    std::unique_lock lock(m_Lock);
    m_Changed.wait(lock, [this] { return m_Jobs.empty() && !m_Busy; });
}

void CSerialWork::Loop() {
    std::unique_lock lock(m_Lock);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_Quit || !m_Jobs.empty(); });
        if (m_Jobs.empty())
            return;  // quitting, and nothing is left to do
        std::function<void()> job = std::move(m_Jobs.front());
        m_Jobs.pop_front();
        m_Busy = true;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        m_Busy = false;
        m_Changed.notify_all();
    }
}

}  // namespace ui

#include "platform/message_loop.h"

#include <utility>

#include "platform/window.h"

namespace platform {

QueueMessageLoop::QueueMessageLoop() : m_Thread(std::this_thread::get_id()) {}

QueueMessageLoop::~QueueMessageLoop() {
    DetachMessageLoop(*this);
}

void QueueMessageLoop::Post(std::function<void()> task) {
    std::lock_guard lock(m_Lock);
    m_Tasks.push_back(std::move(task));
    m_Posted.notify_all();
}

bool QueueMessageLoop::IsLoopThread() const {
    return std::this_thread::get_id() == m_Thread;
}

bool QueueMessageLoop::PopTask(std::function<void()>& task) {
    std::lock_guard lock(m_Lock);
    if (m_Tasks.empty())
        return false;
    task = std::move(m_Tasks.front());
    m_Tasks.pop_front();
    return true;
}

size_t QueueMessageLoop::ProcessPending() {
    size_t ran = 0;
    for (std::function<void()> task; PopTask(task); ++ran)
        task();
    return ran;
}

size_t QueueMessageLoop::WaitAndProcess(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(m_Lock);
        m_Posted.wait_for(lock, timeout, [this] { return !m_Tasks.empty(); });
    }
    return ProcessPending();
}

ThreadMessageLoop::ThreadMessageLoop() : m_Thread(&ThreadMessageLoop::Run, this) {}

ThreadMessageLoop::~ThreadMessageLoop() {
    DetachMessageLoop(*this);
    {
        std::lock_guard lock(m_Lock);
        m_Quit = true;
        m_Posted.notify_all();
    }
    m_Thread.join();
}

void ThreadMessageLoop::Post(std::function<void()> task) {
    std::lock_guard lock(m_Lock);
    if (m_Quit)
        return;
    m_Tasks.push_back(std::move(task));
    m_Posted.notify_all();
}

bool ThreadMessageLoop::IsLoopThread() const {
    return std::this_thread::get_id() == m_Thread.get_id();
}

void ThreadMessageLoop::Run() {
    std::unique_lock lock(m_Lock);
    for (;;) {
        m_Posted.wait(lock, [this] { return m_Quit || !m_Tasks.empty(); });
        if (m_Quit)
            return;
        std::function<void()> task = std::move(m_Tasks.front());
        m_Tasks.pop_front();
        lock.unlock();
        task();
        task = nullptr;  // its captures are released on the loop's thread
        lock.lock();
    }
}

}  // namespace platform

#pragma once

// The message loop that a window belongs to: the thread that runs the window's handler.
// A backend (the plain queues below, or the Qt event loop) only has to take a callable
// and run it later on its thread, and to say whether the calling thread is its thread.
//
// Every loop that windows were registered on must be detached (DetachMessageLoop in
// platform/window.h) before it goes away; the loops below do it in their destructors.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class MessageLoop {
public:
    // Runs the task later on the loop's thread, in the order of posting. Thread-safe.
    // Must not call back into the window layer (it may be called under its lock).
    virtual void Post(std::function<void()> task) = 0;
    // True when the calling thread is the loop's thread. Must not call the window layer.
    [[nodiscard]] virtual bool IsLoopThread() const = 0;

protected:
    ~MessageLoop() = default;
};

// A loop for the thread that creates it: posted tasks wait until that thread pumps them
// with ProcessPending() or Run(). Tests use it for a "user-interface thread" of their own.
class QueueMessageLoop final : public MessageLoop {
public:
    QueueMessageLoop();
    ~QueueMessageLoop();
    QueueMessageLoop(const QueueMessageLoop&) = delete;
    QueueMessageLoop& operator=(const QueueMessageLoop&) = delete;

    void Post(std::function<void()> task) override;
    [[nodiscard]] bool IsLoopThread() const override;

    // Loop thread only. Runs every task posted so far, and those they post, until the
    // queue is empty; returns how many ran.
    size_t ProcessPending();
    // Loop thread only. Waits up to `timeout` for a task, then runs what is queued;
    // returns how many ran.
    size_t WaitAndProcess(std::chrono::milliseconds timeout);

private:
    bool PopTask(std::function<void()>& task);

    const std::thread::id m_Thread;
    std::mutex m_Lock;
    std::condition_variable m_Posted;
    std::deque<std::function<void()>> m_Tasks;
};

// A loop with a thread of its own that runs posted tasks until the loop is destroyed.
class ThreadMessageLoop final : public MessageLoop {
public:
    ThreadMessageLoop();
    // Detaches the loop's windows, lets the thread finish the task it runs, drops the
    // tasks still queued and joins the thread. Must not be called on the loop's thread.
    ~ThreadMessageLoop();
    ThreadMessageLoop(const ThreadMessageLoop&) = delete;
    ThreadMessageLoop& operator=(const ThreadMessageLoop&) = delete;

    void Post(std::function<void()> task) override;
    [[nodiscard]] bool IsLoopThread() const override;

private:
    void Run();

    std::mutex m_Lock;
    std::condition_variable m_Posted;
    std::deque<std::function<void()>> m_Tasks;
    bool m_Quit = false;
    std::thread m_Thread;  // started last, after every member it uses
};

}  // namespace platform

#pragma once

// Work that must not hold up the user-interface thread (network actions, walking dropped
// folders) runs on short-lived threads of its own. Every thread is joined before the
// user interface goes away, so no library code runs after the library is unloaded.

#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace ui {

class CBackgroundWork {
public:
    CBackgroundWork() = default;
    ~CBackgroundWork();  // joins every thread
    CBackgroundWork(const CBackgroundWork&) = delete;
    CBackgroundWork& operator=(const CBackgroundWork&) = delete;

    // Runs the work on a new thread. After JoinAll() has begun, work is dropped.
    void Run(std::function<void()> work);
    // Waits for every thread; later Run() calls do nothing.
    void JoinAll();
    // Threads started and not yet joined.
    size_t Running();

private:
    struct Job {
        std::thread thread;
        bool finished = false;  // guarded by m_Lock
    };
    void JoinFinished();  // m_Lock held

    std::mutex m_Lock;
    std::list<std::shared_ptr<Job>> m_Jobs;
    bool m_Closed = false;
};

}  // namespace ui

#pragma once

// Jobs that must run one after another, in order, away from the user-interface thread
// (turning request batches into tasks: the filter and the task records look at the
// disk). One thread, started with the first job and joined when the object goes.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace ui {

class CSerialWork {
public:
    CSerialWork() = default;
    ~CSerialWork();  // finishes the queued jobs, then joins
    CSerialWork(const CSerialWork&) = delete;
    CSerialWork& operator=(const CSerialWork&) = delete;

    void Run(std::function<void()> job);
    // Returns once every job given so far has run.
    void WaitIdle();

private:
    void Loop();

    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::deque<std::function<void()>> m_Jobs;
    bool m_Busy = false;  // a job is running
    bool m_Quit = false;
    std::thread m_Thread;
};

}  // namespace ui

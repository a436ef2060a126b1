#include "test_driver.h"

#include <gtest/gtest.h>

#include <chrono>

#include "intake/queue.h"
#include "intake/task_map.h"

namespace intake_test {
namespace {

constexpr auto kLongest = std::chrono::seconds(10);

}  // namespace

platform::Event& TestDriver::FinishEvent(int32_t id) {
    auto& event = m_FinishEvents[id];
    if (!event)
        event = std::make_unique<platform::Event>(platform::Event::ResetMode::Auto);
    return *event;
}

int TestDriver::Run(intake::UploadContext& task) {
    const int32_t id = task.m_TaskId;
    platform::Event* finish = nullptr;
    bool instant = false;
    bool slow = false;
    {
        std::lock_guard lock(m_Lock);
        m_Started.push_back(id);
        m_Running.insert(id);
        m_MostAtOnce = std::max(m_MostAtOnce, m_Running.size());
        finish = &FinishEvent(id);
        instant = m_AllInstant || m_Instant.contains(id);
        slow = !instant && m_SlowToStop.contains(id);
        m_Changed.notify_all();
    }
    bool stopped = false;
    if (slow) {
        EXPECT_TRUE(finish->Wait(10000));
        stopped = task.m_hStopEvent->IsSet();
    } else if (!instant) {
        stopped = platform::WaitAny({task.m_hStopEvent.get(), finish}, 10000) == 0;
    }
    int32_t finalState = intake::kTaskComplete;
    {
        std::lock_guard lock(m_Lock);
        if (const auto found = m_FinalState.find(id); found != m_FinalState.end())
            finalState = found->second;
    }
    if (!stopped)
        intake::SetTaskState(task, finalState);
    task.m_DoneSize = task.m_FileSize;
    intake::NotifyTask(id, task.m_hOwnerWnd);
    const int32_t stateAtReturn = intake::GetTaskState(task);
    std::lock_guard lock(m_Lock);
    m_Running.erase(id);
    ++m_Returns[id];
    m_StateAtReturn[id] = stateAtReturn;
    m_Stopped[id] = stopped;
    m_Changed.notify_all();
    return 0;
}

void TestDriver::Finish(int32_t id, int32_t state) {
    std::lock_guard lock(m_Lock);
    m_FinalState[id] = state;
    FinishEvent(id).Set();
}

void TestDriver::MakeInstant(std::set<int32_t> ids) {
    std::lock_guard lock(m_Lock);
    m_Instant.merge(ids);
}

void TestDriver::MakeSlowToStop(std::set<int32_t> ids) {
    std::lock_guard lock(m_Lock);
    m_SlowToStop.merge(ids);
}

void TestDriver::MakeAllInstant() {
    std::lock_guard lock(m_Lock);
    m_AllInstant = true;
    for (auto& [id, event] : m_FinishEvents)
        event->Set();
}

bool TestDriver::WaitForStarts(size_t count) {
    std::unique_lock lock(m_Lock);
    return m_Changed.wait_for(lock, kLongest, [&] { return m_Started.size() >= count; });
}

bool TestDriver::WaitForReturn(int32_t id, size_t nthRun) {
    std::unique_lock lock(m_Lock);
    return m_Changed.wait_for(lock, kLongest, [&] { return m_Returns[id] >= nthRun; });
}

std::vector<int32_t> TestDriver::Started() {
    std::lock_guard lock(m_Lock);
    return m_Started;
}

std::set<int32_t> TestDriver::Running() {
    std::lock_guard lock(m_Lock);
    return m_Running;
}

size_t TestDriver::MostAtOnce() {
    std::lock_guard lock(m_Lock);
    return m_MostAtOnce;
}

int32_t TestDriver::StateAtReturn(int32_t id) {
    std::lock_guard lock(m_Lock);
    return m_StateAtReturn[id];
}

bool TestDriver::StoppedByEvent(int32_t id) {
    std::lock_guard lock(m_Lock);
    return m_Stopped[id];
}

}  // namespace intake_test

#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "intake/upload_context.h"
#include "platform/event.h"

namespace intake_test {

// Stands in for the upload engine. A run is recorded when it starts; it then waits until
// the test finishes it (with a final state) or the task's stop event is set, as the
// engine's network waits do. Ids marked instant finish at once.
class TestDriver {
public:
    int Run(intake::UploadContext& task);

    // Ends the run of the task (now or when it starts) in the given state.
    void Finish(int32_t id, int32_t state = intake::kTaskComplete);
    // Runs of these ids (or of every id) end at once, completed.
    void MakeInstant(std::set<int32_t> ids);
    void MakeAllInstant();
    // Runs of these ids ignore their stop event until finished, as a driver caught in a
    // long step would; a run that was asked to stop then leaves the state alone.
    void MakeSlowToStop(std::set<int32_t> ids);

    // Wait (at most ten seconds) until so many runs have started / the task's run returned.
    bool WaitForStarts(size_t count);
    bool WaitForReturn(int32_t id, size_t nthRun = 1);

    std::vector<int32_t> Started();
    std::set<int32_t> Running();
    size_t MostAtOnce();
    // The task's state as its last run returned (seen under the task lock).
    int32_t StateAtReturn(int32_t id);
    // True when the last run of the task ended through its stop event.
    bool StoppedByEvent(int32_t id);

private:
    platform::Event& FinishEvent(int32_t id);  // with m_Lock held

    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::vector<int32_t> m_Started;
    std::set<int32_t> m_Running;
    std::map<int32_t, size_t> m_Returns;
    std::map<int32_t, int32_t> m_StateAtReturn;
    std::map<int32_t, bool> m_Stopped;
    std::map<int32_t, int32_t> m_FinalState;
    std::map<int32_t, std::unique_ptr<platform::Event>> m_FinishEvents;
    std::set<int32_t> m_Instant;
    std::set<int32_t> m_SlowToStop;
    bool m_AllInstant = false;
    size_t m_MostAtOnce = 0;
};

}  // namespace intake_test

#include <memory>
#include <mutex>

#include "actions/norvel_counter.h"
#include "platform/kept_object.h"

namespace actions {
namespace {

// Never destroyed at process exit: the counter's thread may still wait then.
struct ProcessCounter {
    std::mutex lock;
    bool open = true;
    std::unique_ptr<CNorvelCounter> counter;  // made at the first count
};

ProcessCounter& State() {
    static ProcessCounter* const state = platform::KeptForGood(new ProcessCounter);
    return *state;
}

}  // namespace

void CountUse(int32_t kind, bool loggedIn) {
    ProcessCounter& state = State();
    std::lock_guard lock(state.lock);
    if (!state.open)
        return;
    if (!state.counter)
        state.counter = std::make_unique<CNorvelCounter>();
    state.counter->Count(kind, loggedIn);
}

void StopUsageCounter() {
    ProcessCounter& state = State();
    std::unique_ptr<CNorvelCounter> counter;
    {
        std::lock_guard lock(state.lock);
        state.open = false;
        counter = std::move(state.counter);
    }
    counter.reset();  // stops and joins its thread
}

void OpenUsageCounter() {
    ProcessCounter& state = State();
    std::lock_guard lock(state.lock);
    state.open = true;
}

}  // namespace actions

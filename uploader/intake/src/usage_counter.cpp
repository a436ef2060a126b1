#include "intake/usage_counter.h"

#include <mutex>

namespace intake {
namespace {

std::mutex g_CounterLock;

// Made on first use: the library's load hook installs the counter, possibly before the
// static objects of this file would have been initialized (a std::function is not
// constant-initialized, and its initialization would empty it again).
UsageCounter& Counter() {
    static UsageCounter counter;
    return counter;
}

}  // namespace

void SetUsageCounter(UsageCounter counter) {
    std::lock_guard lock(g_CounterLock);
    Counter() = std::move(counter);
}

void CountUse(int32_t kind, bool loggedIn) {
    UsageCounter counter;
    {
        std::lock_guard lock(g_CounterLock);
        counter = Counter();
    }
    if (counter)
        counter(kind, loggedIn);
}

}  // namespace intake

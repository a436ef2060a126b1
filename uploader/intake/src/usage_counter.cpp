#include "intake/usage_counter.h"

#include <mutex>

namespace intake {
namespace {

std::mutex g_CounterLock;
UsageCounter g_Counter;

}  // namespace

void SetUsageCounter(UsageCounter counter) {
    std::lock_guard lock(g_CounterLock);
    g_Counter = std::move(counter);
}

void CountUse(int32_t kind, bool loggedIn) {
    UsageCounter counter;
    {
        std::lock_guard lock(g_CounterLock);
        counter = g_Counter;
    }
    if (counter)
        counter(kind, loggedIn);
}

}  // namespace intake

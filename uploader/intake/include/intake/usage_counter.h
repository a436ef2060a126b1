#pragma once

// The usage statistics of request batches: intake records one use per handled batch
// (its request kind, and whether the user was logged in). The account actions install
// the counter that sends them when the library loads; until then uses go nowhere.
// Called on the user-interface thread; installing is safe from any thread.

#include <cstdint>
#include <functional>

namespace intake {

using UsageCounter = std::function<void(int32_t kind, bool loggedIn)>;

// Installs the counter (empty: none).
void SetUsageCounter(UsageCounter counter);
// Records one use through the installed counter, if any.
void CountUse(int32_t kind, bool loggedIn);

}  // namespace intake

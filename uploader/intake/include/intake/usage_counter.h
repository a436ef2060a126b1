#pragma once

// The usage statistics of request batches: intake records one use per handled batch
// (its request kind, and whether the user was logged in), through the counter among the
// seams of the library's root (intake/library.h); without one uses go nowhere. Called on
// the user-interface thread; setting is safe from any thread.

#include <cstdint>
#include <functional>

namespace intake {

using UsageCounter = std::function<void(int32_t kind, bool loggedIn)>;

// Sets the root's counter (empty: none).
void SetUsageCounter(UsageCounter counter);
// Records one use through the root's counter, if any.
void CountUse(int32_t kind, bool loggedIn);

}  // namespace intake

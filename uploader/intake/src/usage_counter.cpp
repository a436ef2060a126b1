#include "intake/usage_counter.h"

#include "intake/library.h"

namespace intake {

void SetUsageCounter(UsageCounter counter) {
    Library().SetSeam(&LibrarySeams::usageCounter, std::move(counter));
}

void CountUse(int32_t kind, bool loggedIn) {
    if (const UsageCounter counter = Library().Seam(&LibrarySeams::usageCounter))
        counter(kind, loggedIn);
}

}  // namespace intake

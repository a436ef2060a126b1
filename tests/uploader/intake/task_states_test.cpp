// The classes of task states that every module asks. The numbers are written out: they
// are the values the saved task list holds, so a state that changed its number, or a
// class that took in a number that is no state, breaks lists saved by an earlier run.

#include <gtest/gtest.h>

#include <set>

#include "intake/task_states.h"

using namespace intake;

TEST(TaskStatesTest, EveryNumberIsInTheClassesItsStateGives) {
    const std::set<int32_t> failures{5, 6, 7, 9, 10, 11, 12, 13, 14};
    const std::set<int32_t> others{1, 2, 3, 8, 15};  // waiting, uploading, done, removed, paused
    for (int32_t state = -2; state <= 20; ++state) {
        const bool failure = failures.count(state) != 0;
        const bool known = failure || others.count(state) != 0;
        EXPECT_EQ(IsKnownState(state), known) << state;
        EXPECT_EQ(IsFailureState(state), failure) << state;
        EXPECT_EQ(IsRefusedAtCreation(state), state == 6 || state == 7) << state;
        EXPECT_EQ(IsKeptOnRestore(state), known && state != 8) << state;
        EXPECT_EQ(IsQueuedOnRestore(state), state == 1 || state == 2) << state;
        // Back to waiting only from a failure (retry) or a pause (resume); 1 to 1 is no change.
        EXPECT_EQ(IsLegalMove(state, kTaskWaiting), failure || state == 1 || state == 15) << state;
    }
}

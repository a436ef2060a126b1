#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>

using platform::RunProgramOutput;

TEST(RunProgramOutputTest, CollectsTheOutputOfAProgramThatSucceeds) {
    EXPECT_EQ(RunProgramOutput({"echo", "one", "two words"}, 5000), "one two words\n");
    // No shell: the argument reaches the program as it is.
    EXPECT_EQ(RunProgramOutput({"echo", "$HOME;ls"}, 5000), "$HOME;ls\n");
}

TEST(RunProgramOutputTest, GivesNothingForFailuresAndMissingPrograms) {
    EXPECT_FALSE(RunProgramOutput({"false"}, 5000));
    EXPECT_FALSE(RunProgramOutput({"norvel-no-such-program-here"}, 5000));
    EXPECT_FALSE(RunProgramOutput({}, 5000));
    // Standard input is /dev/null: a program that reads it sees its end at once.
    EXPECT_EQ(RunProgramOutput({"cat"}, 5000), "");
}

TEST(RunProgramOutputTest, KillsAProgramThatOutlivesItsTimeOut) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(RunProgramOutput({"sleep", "30"}, 200));
    // Output closed early does not let a lingering program escape the time-out either.
    EXPECT_FALSE(RunProgramOutput({"sh", "-c", "exec >/dev/null; sleep 30"}, 200));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(RunProgramOutputTest, KeepsOnlyTheFirstBytesOfALongOutput) {
    const auto output = RunProgramOutput({"seq", "1", "100000"}, 10000, 8);
    ASSERT_TRUE(output);
    EXPECT_EQ(*output, "1\n2\n3\n4\n");
}

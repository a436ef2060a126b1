#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "platform/child_process.h"

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

using platform::ChildProcess;

TEST(ChildProcessTest, ReadsLinesWithoutTheirEndsThenTheRestUpToALimit) {
    ChildProcess child;
    ASSERT_TRUE(child.Start("/bin/sh", {"-c", "printf 'one\\r\\ntwo\\n'; sleep 0.1; seq 3 6"}));
    EXPECT_EQ(child.ReadLine(5000), "one");
    EXPECT_EQ(child.ReadLine(5000), "two");
    EXPECT_EQ(child.ReadLine(5000), "3");
    EXPECT_EQ(child.ReadToEnd(5000, 3), "4\n5");  // the rest was read and dropped
    EXPECT_FALSE(child.ReadLine(5000));           // the output has ended
    EXPECT_EQ(child.Wait(5000), 0);
    EXPECT_FALSE(child.Running());
}

TEST(ChildProcessTest, FindsProgramsOnThePathOnlyWhenAsked) {
    ChildProcess plain;
    EXPECT_FALSE(plain.Start("echo", {"hi"}));
    ChildProcess missing;
    EXPECT_FALSE(missing.Start("/norvel/no/such/program", {}));
    ChildProcess searched;
    ASSERT_TRUE(searched.Start("echo", {"$HOME;ls"}, {.searchPath = true}));
    EXPECT_EQ(searched.ReadToEnd(5000), "$HOME;ls\n");
    EXPECT_EQ(searched.Wait(5000), 0);
}

TEST(ChildProcessTest, WaitStopAndTheExitStatus) {
    ChildProcess failing;
    ASSERT_TRUE(failing.Start("/bin/sh", {"-c", "exit 7"}));
    EXPECT_EQ(failing.Wait(5000), 7);
    EXPECT_EQ(failing.Stop(5000), 7);  // ended already: its status again

    ChildProcess sleeper;
    ASSERT_TRUE(sleeper.Start("/bin/sleep", {"30"}));
    EXPECT_FALSE(sleeper.ReadLine(50));  // nothing comes
    EXPECT_FALSE(sleeper.Wait(50));      // still running
    EXPECT_EQ(sleeper.Stop(5000), -1);   // ended by the signal

    ChildProcess handler;
    ASSERT_TRUE(handler.Start("/bin/sh", {"-c",
                                          "trap 'exit 3' TERM; echo ready; "
                                          "while :; do sleep 0.05; done"}));
    ASSERT_EQ(handler.ReadLine(5000), "ready");  // the trap is set
    EXPECT_EQ(handler.Stop(5000), 3);
}

TEST(ChildProcessTest, AnIgnoredSignalOfThisProcessIsNotPassedOn) {
    // Ignored signals stay ignored across exec; the child must still stop on SIGTERM.
    const auto previous = std::signal(SIGTERM, SIG_IGN);
    ChildProcess child;
    const bool started = child.Start("/bin/sleep", {"30"});
    std::signal(SIGTERM, previous);
    ASSERT_TRUE(started);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(child.Stop(20000), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

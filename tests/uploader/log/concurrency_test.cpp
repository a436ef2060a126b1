// Many threads logging at once, with the writer draining, the level changing and the
// logger stopping under them.

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "log_test_support.h"
#include "settings/log_sink.h"

namespace {

// The number after "sn=" or "fn=" in a record line.
int NumberOf(const std::string& line) {
    const size_t at = line.find("n=") + 2;
    return std::stoi(line.substr(at, line.find(']', at) - at));
}

}  // namespace

class ConcurrencyTest : public LogTest {};

TEST_F(ConcurrencyTest, RecordsFromManyThreadsAreAllWrittenAndNumberedOnce) {
    constexpr int kThreads = 4;
    constexpr int kEach = 2000;
    auto log = MakeLog();
    std::atomic<bool> writing{true};
    // The writer drains while the records come in.
    std::thread drainer([&] {
        while (writing.load())
            log->RunWriterCycleNow();
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kEach; ++i) {
                log->Write(L3_KEY, u"Shared", false, u"DESC=x",
                           u"Thread=" + std::u16string(1, u'0' + t));
                log->Write(L1_USR, t % 2 ? u"Odd" : u"Even", true);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    writing = false;
    drainer.join();
    log->Stop();

    std::set<int> shared, odd, even;
    for (const std::string& line : Records(FilePath(0))) {
        const int number = NumberOf(line);
        if (line.find("[Shared]") != std::string::npos)
            EXPECT_TRUE(shared.insert(number).second) << line;
        else if (line.find("[Odd]") != std::string::npos)
            EXPECT_TRUE(odd.insert(number).second) << line;
        else
            EXPECT_TRUE(even.insert(number).second) << line;
    }
    // Every number from 1 up, each once.
    for (const auto* numbers : {&shared, &odd, &even}) {
        ASSERT_FALSE(numbers->empty());
        EXPECT_EQ(*numbers->begin(), 1);
        EXPECT_EQ(static_cast<size_t>(*numbers->rbegin()), numbers->size());
    }
    EXPECT_EQ(shared.size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(odd.size() + even.size(), static_cast<size_t>(kThreads * kEach));
}

TEST_F(ConcurrencyTest, TheLevelChangesWhileThreadsLog) {
    SetLevel(u"norvel-uploader-=1023");
    auto log = MakeLog();
    std::atomic<bool> writing{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            while (writing.load()) {
                log->Write(L5_TRC, u"Trace", true);
                log->Write(L1_USR, u"User", false);
            }
        });
    }
    for (int round = 0; round < 20; ++round) {
        SetLevel(round % 2 ? u"norvel-uploader-=1023" : u"norvel-uploader-=1");
        EXPECT_TRUE(log->RefreshLevel(round % 3 == 0));
        m_FreeMB = round % 4 == 3 ? 20 : 100000;
        log->RunWriterCycleNow();
    }
    writing = false;
    for (auto& thread : threads)
        thread.join();
    log->Stop();
    // Enough was written to roll over several files; the newest holds records.
    const auto files = log->ListLogFiles();
    ASSERT_FALSE(files.empty());
    EXPECT_FALSE(Records(platform::WideToUtf8(files.back())).empty());
}

TEST_F(ConcurrencyTest, StoppingWhileThreadsLogLosesNothingAccepted) {
    // Each thread writes until the logger refuses, at most 30000 records: together they
    // stay below the overflow guard.
    auto log = MakeLog();
    std::atomic<bool> writing{true};
    std::atomic<int> started{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            ++started;
            for (int i = 0; i < 30000 && writing.load(); ++i)
                log->Write(L3_KEY, u"E", false);
        });
    }
    while (started.load() < 4)
        std::this_thread::yield();
    log->Stop();  // records keep arriving: they are refused, none is half-written
    writing = false;
    for (auto& thread : threads)
        thread.join();
    // Every accepted record was numbered in turn and written: the numbers have no gap.
    size_t number = 0;
    for (const auto& file : log->ListLogFiles()) {
        for (const std::string& line : Records(platform::WideToUtf8(file)))
            ASSERT_EQ(NumberOf(line), static_cast<int>(++number)) << line;
    }
    EXPECT_EQ(number, log->Counts().accepted);
    EXPECT_EQ(log->Counts().cleared, 0u);
}

TEST_F(ConcurrencyTest, SettingsReportsFromManyThreadsWhileTheLoggerGoes) {
    auto log = MakeLog();
    std::atomic<bool> reporting{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            while (reporting.load())
                settings::ReportFailure("READ_RegeditInfo", "DESC=missing");
        });
    }
    while (log->Counts().accepted < 100)
        std::this_thread::yield();
    log->RunWriterCycleNow();
    log->Stop();  // the sink is taken away while reports arrive
    const CLogCounts counts = log->Counts();
    log.reset();
    reporting = false;
    for (auto& thread : threads)
        thread.join();
    EXPECT_GE(counts.written, 100u);
    EXPECT_EQ(counts.accepted, counts.written + counts.cleared);
    const auto lines = Records(FilePath(0));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("[L3_KEY][fn=1][RESULT: FALSE][READ_RegeditInfo][CAUSE: DESC=missing]"),
              std::string::npos);
}

// Five threads log as fast as they can while the writer drains. Prints the calls per
// second, the median and 99th percentile cost of one Write (as measured around each
// call) next to a reference run in the same process (five threads appending a string
// to one mutex-guarded queue that another thread empties), and checks that no record
// was lost other than those the overflow guard cleared and reported.
//
//   bench_log [seconds of the flat-out run, default 3] [folder, default the build folder]

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "log/log.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kThreads = 5;
constexpr size_t kBucketNs = 10;        // histogram resolution
constexpr size_t kBuckets = 100000;     // up to 1 ms; slower calls count in the last bucket
constexpr int kBelowGuardEach = 12000;  // 60000 records in all: four files, none deleted
constexpr double kTargetMedianUs = 2.0;

// Call durations of one thread, in buckets of kBucketNs.
struct Histogram {
    std::vector<uint64_t> counts = std::vector<uint64_t>(kBuckets);
    uint64_t total = 0;

    void Add(Clock::duration took) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(took).count();
        const size_t bucket = static_cast<size_t>(ns) / kBucketNs;
        ++counts[bucket < kBuckets ? bucket : kBuckets - 1];
        ++total;
    }
    void Merge(const Histogram& other) {
        for (size_t i = 0; i < kBuckets; ++i)
            counts[i] += other.counts[i];
        total += other.total;
    }
    double PercentileUs(double share) const {
        const uint64_t wanted = static_cast<uint64_t>(share * static_cast<double>(total));
        uint64_t seen = 0;
        for (size_t i = 0; i < kBuckets; ++i) {
            seen += counts[i];
            if (seen > wanted)
                return static_cast<double>((i + 1) * kBucketNs) / 1000.0;
        }
        return static_cast<double>(kBuckets * kBucketNs) / 1000.0;
    }
};

// Runs `call` on kThreads threads until the time is up; the merged histogram.
template <typename Call>
Histogram RunThreads(std::chrono::milliseconds length, Call call) {
    std::vector<Histogram> histograms(kThreads);
    std::atomic<bool> running{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            Histogram& histogram = histograms[static_cast<size_t>(t)];
            while (running.load(std::memory_order_relaxed)) {
                const Clock::time_point start = Clock::now();
                call(t);
                histogram.Add(Clock::now() - start);
            }
        });
    }
    std::this_thread::sleep_for(length);
    running = false;
    for (auto& thread : threads)
        thread.join();
    Histogram all;
    for (const Histogram& histogram : histograms)
        all.Merge(histogram);
    return all;
}

// The reference: a locked append of one string to a queue that a consumer empties.
Histogram ReferenceRun(std::chrono::milliseconds length) {
    std::mutex lock;
    std::deque<std::u16string> queue;
    std::atomic<bool> consuming{true};
    std::thread consumer([&] {
        std::deque<std::u16string> taken;
        while (consuming.load()) {
            {
                std::lock_guard guard(lock);
                taken.swap(queue);
            }
            taken.clear();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    const std::u16string text = u"UPLOAD_Seg DESC=Bench FilePath=/home/user/file.bin";
    Histogram result = RunThreads(length, [&](int) {
        std::u16string copy = text;
        std::lock_guard guard(lock);
        queue.push_back(std::move(copy));
    });
    consuming = false;
    consumer.join();
    return result;
}

const std::u16string kThreadNames[kThreads] = {u"Thread=0", u"Thread=1", u"Thread=2", u"Thread=3",
                                               u"Thread=4"};

void WriteOne(CLog& log, int thread) {
    log.Write(L3_KEY, u"UPLOAD_Seg", false, u"DESC=Bench", u"FilePath=/home/user/file.bin",
              kThreadNames[thread]);
}

CLogOptions BenchOptions(const fs::path& folder) {
    CLogOptions options;
    options.writerCycle = std::chrono::milliseconds(10);
    options.logDir = folder.u16string();
    // A day passes every second, so that the limit of 100 full files a day does not end
    // a long run.
    const auto start = Clock::now();
    const int64_t base = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    options.clock = [start, base] {
        const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start);
        return base + elapsed.count() * 24 * 60 * 60;
    };
    return options;
}

size_t CountRecordLines(const fs::path& folder) {
    size_t lines = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::string line;
        while (std::getline(in, line))
            lines += line.size() > 2 && line[0] == '[' && line[1] >= '0' && line[1] <= '9';
    }
    return lines;
}

bool FlatOutRun(const fs::path& folder, std::chrono::milliseconds length,
                const Histogram& reference) {
    CLog log(u"norvel-uploader-", BenchOptions(folder));
    const Clock::time_point start = Clock::now();
    const Histogram writes = RunThreads(length, [&](int t) { WriteOne(log, t); });
    log.Stop();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const CLogCounts counts = log.Counts();
    const double median = writes.PercentileUs(0.5);
    std::printf(
        "Write, %d threads, %.1f s: %.2f M calls/s, median %.2f us (%.1f x reference), "
        "99th percentile %.2f us\n",
        kThreads, static_cast<double>(length.count()) / 1000.0,
        static_cast<double>(writes.total) / 1e6 / (static_cast<double>(length.count()) / 1000.0),
        median, median / reference.PercentileUs(0.5), writes.PercentileUs(0.99));
    std::printf("  writer: %llu records written (%.2f M/s), %llu cleared by the overflow guard\n",
                static_cast<unsigned long long>(counts.written),
                static_cast<double>(counts.written) / 1e6 / seconds,
                static_cast<unsigned long long>(counts.cleared));
    const bool accounted = counts.accepted == counts.written + counts.cleared;
    std::printf("  every accepted record written or cleared and reported: %s\n",
                accounted ? "yes" : "NO");
    std::printf("  target, median under %.0f us: %s\n", kTargetMedianUs,
                median < kTargetMedianUs ? "met" : "MISSED");
    return accounted && median < kTargetMedianUs;
}

bool BelowGuardRun(const fs::path& folder) {
    CLog log(u"norvel-uploader-", BenchOptions(folder));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kBelowGuardEach; ++i)
                WriteOne(log, t);
        });
    }
    for (auto& thread : threads)
        thread.join();
    log.Stop();
    const size_t expected = static_cast<size_t>(kThreads) * kBelowGuardEach;
    const size_t found = CountRecordLines(folder);
    std::printf("below the guard: %zu records from %d threads, %zu in the files\n", expected,
                kThreads, found);
    return found == expected && log.Counts().cleared == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const fs::path base = fs::path(argc > 2 ? argv[2] : NORVEL_BENCH_DIR) / "bench-log-files";
    // The bench's own settings file: the user's stored values are neither read nor changed.
    fs::remove_all(base);
    fs::create_directories(base / "flat-out");
    fs::create_directories(base / "below-guard");
    setenv("NORVEL_REGISTRY", (base / "registry.reg").c_str(), 1);

    const auto length = std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
    const Histogram reference = ReferenceRun(length);
    std::printf("reference, locked append of a string, %d threads: median %.2f us\n", kThreads,
                reference.PercentileUs(0.5));
    const bool flatOut = FlatOutRun(base / "flat-out", length, reference);
    const bool belowGuard = BelowGuardRun(base / "below-guard");
    fs::remove_all(base);
    return flatOut && belowGuard ? 0 : 1;
}

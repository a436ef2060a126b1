// Parse and write speed of the JSON library on a 1 MiB reply of nested objects and
// arrays, in MB/s (10^6 bytes). A plain byte scan of the same text in the same process is
// the reference, so the ratios compare across machines.
//
//   build/bench/bench/json/bench_json [repetitions]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "json/json.h"

namespace {

constexpr size_t kReplySize = 1 << 20;  // 1 MiB

// One file entry of a listing reply: nested object, arrays, escapes, a \u escape.
std::string Entry(int i) {
    const std::string n = std::to_string(i);
    return "{\"path\":\"\\/我的网盘\\/我收到的文件\\/photo_" + n +
           ".jpg\",\"size\":" + std::to_string(i * 7919) +
           ",\"md5\":\"d41d8cd98f00b204e9800998ecf8427e\",\"isdir\":false,"
           "\"meta\":{\"tags\":[\"a\",\"b\\tc\",\"\\u4e2d\"],\"mtime\":1325376000,"
           "\"owner\":{\"id\":" +
           n + ",\"name\":\"user \\\"" + n +
           "\\\"\"}},"
           "\"blocks\":[[0,4194304],[4194304," +
           n + "]]}";
}

// {"errno":0,"list":[entry, entry, ...]} of at least kReplySize bytes.
std::string Reply() {
    std::string text = "{\"errno\":0,\"request_id\":\"7f3a\",\"list\":[";
    for (int i = 0; text.size() < kReplySize; ++i) {
        if (i)
            text += ',';
        text += Entry(i);
    }
    text += "]}";
    return text;
}

// Seconds of the fastest of `repetitions` runs of `run`; `prepare` runs untimed before
// each of them.
template <typename Prepare, typename Run>
double Fastest(int repetitions, Prepare prepare, Run run) {
    double best = 1e9;
    for (int i = 0; i < repetitions; ++i) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

double MegabytesPerSecond(size_t bytes, double seconds) {
    return static_cast<double>(bytes) / 1e6 / seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string reply = Reply();
    const int length = static_cast<int>(reply.size());

    volatile size_t sink = 0;
    const auto nothing = [] {};
    const double scan = Fastest(repetitions, nothing, [&] {
        sink = sink + static_cast<size_t>(std::count(reply.begin(), reply.end(), '"'));
    });

    std::unique_ptr<Script::JsonObject> tree;
    // Freeing the previous tree is not part of the parse.
    const double parse = Fastest(
        repetitions, [&] { tree.reset(); },
        [&] { tree.reset(Script::Parse(reply.data(), length)); });

    std::string written;
    const double write = Fastest(
        repetitions, [&] { written = std::string(); }, [&] { written = tree->ToString(); });

    const double scanRate = MegabytesPerSecond(reply.size(), scan);
    const double parseRate = MegabytesPerSecond(reply.size(), parse);
    const double writeRate = MegabytesPerSecond(written.size(), write);
    std::printf("reply: %zu bytes, %d entries; written: %zu bytes; best of %d runs\n", reply.size(),
                tree->GetMember("list").Size(), written.size(), repetitions);
    std::printf("byte scan (reference): %8.1f MB/s\n", scanRate);
    std::printf("parse:                 %8.1f MB/s  (%.3f of the scan rate)\n", parseRate,
                parseRate / scanRate);
    std::printf("write:                 %8.1f MB/s  (%.3f of the scan rate)\n", writeRate,
                writeRate / scanRate);
    return 0;
}

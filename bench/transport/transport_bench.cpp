// Throughput of the transport against norvel-service on 127.0.0.1:
//  1. 1000 small requests one after another through HTTPRequest (signed, logged), next
//     to the same requests made with a fresh libcurl easy handle each (the same one
//     connection per request) in the same process;
//  2. a body of 256 MiB streamed through AsyncHttpChannel in 128 KiB pieces, as the upload
//     engine streams blocks, next to the curl program posting the same bytes from a file
//     to the same endpoint. The target is at least 0.8 of curl's speed.
// Both go to the service's sink, which reads and discards the body. Each body run is made
// three times, alternating, and the best of each counts.
//
// A third run makes the small requests with one libcurl easy handle kept for all of them,
// so that libcurl reuses its connection: the best plain libcurl can do.
//
//   bench_transport [MiB of the body, default 256]
//   bench_transport small      (the small requests only, with a verdict on the layer)

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "net/async_http_channel.h"
#include "net/http_request.h"
#include "net/transport_init.h"
#include "net/transport_timings.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "platform/text.h"
#include "settings/registry_values.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSmallRequests = 1000;
constexpr size_t kPiece = 131072;
constexpr size_t kBlock = size_t(4) << 20;  // the engine holds one block in memory at a time
constexpr int kRounds = 3;
constexpr double kTarget = 0.8;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Settings, logs and the service's data live in a folder of their own below the build
// folder: the benchmark never touches the files of the user who runs it.
std::string IsolatedFolder() {
    const std::string folder = std::string(NORVEL_BENCH_DIR) + "/transport-run";
    fs::remove_all(folder);
    fs::create_directories(folder + "/config");
    setenv("HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    setenv("NORVEL_REGISTRY", (folder + "/config/registry.reg").c_str(), 1);
    settings::WriteString(settings::kNorvelKey, settings::kInstallPath,
                          platform::Utf8ToWide(folder));
    // An installed client has its identity: requests are signed as in daily use.
    settings::WriteString(settings::kNorvelKey, settings::kClientId, u"bench-client");
    settings::WriteString(settings::kNorvelKey, settings::kClientSecret, u"bench-secret");
    return folder;
}

double SmallRequestsThroughTheLayer(uint16_t port) {
    const auto start = Clock::now();
    for (int i = 0; i < kSmallRequests; ++i) {
        net::HttpRequestInfo info;
        net::InitRequestInfo(info, u"127.0.0.1", port);
        size_t length = 0;
        const auto reply = net::HTTPRequest(u"Content-Type: application/x-www-form-urlencoded\r\n",
                                            length, info, u"/_admin/sink", "x=1");
        if (info.m_StatusCode != 200) {
            std::fprintf(stderr, "request %d failed: %d\n", i, info.m_StatusCode);
            return 0;
        }
    }
    return kSmallRequests / SecondsSince(start);
}

size_t Discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

double SmallRequestsWithPlainLibcurl(uint16_t port) {
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/_admin/sink";
    const auto start = Clock::now();
    for (int i = 0; i < kSmallRequests; ++i) {
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, "x=1");
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
        curl_easy_perform(curl);
        curl_easy_cleanup(curl);
    }
    return kSmallRequests / SecondsSince(start);
}

double SmallRequestsReusingOneHandle(uint16_t port) {
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/_admin/sink";
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, "x=1");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
    const auto start = Clock::now();
    for (int i = 0; i < kSmallRequests; ++i)
        curl_easy_perform(curl);
    const double rate = kSmallRequests / SecondsSince(start);
    curl_easy_cleanup(curl);
    return rate;
}

// Prints the small-request rates, the best of a few alternating rounds each (a run takes
// a fraction of a second: one busy moment would decide it), and the CPU time this process
// spent per request (the least of the rounds), which a busy machine disturbs much less;
// returns the layer's rate over the reusing handle's.
double ReportSmallRequests(uint16_t port) {
    struct Best {
        double rate = 0;
        double cpuUs = 1e9;
    };
    const auto measure = [](Best& best, auto run) {
        const std::clock_t before = std::clock();
        best.rate = std::max(best.rate, run());
        const double cpu = double(std::clock() - before) * 1e6 / CLOCKS_PER_SEC / kSmallRequests;
        best.cpuUs = std::min(best.cpuUs, cpu);
    };
    Best plain;
    Best reused;
    Best layer;
    for (int round = 0; round < kRounds; ++round) {
        measure(plain, [&] { return SmallRequestsWithPlainLibcurl(port); });
        measure(reused, [&] { return SmallRequestsReusingOneHandle(port); });
        measure(layer, [&] { return SmallRequestsThroughTheLayer(port); });
    }
    std::printf("%d small requests, one after another, best of %d:\n", kSmallRequests, kRounds);
    std::printf("  HTTPRequest (signed, logged):          %7.0f requests/s, %5.1f us CPU each\n",
                layer.rate, layer.cpuUs);
    std::printf(
        "  plain libcurl, a fresh handle each:    %7.0f requests/s, %5.1f us CPU each (layer/fresh "
        "%.2f)\n",
        plain.rate, plain.cpuUs, layer.rate / plain.rate);
    std::printf(
        "  plain libcurl, one handle reused:      %7.0f requests/s, %5.1f us CPU each "
        "(layer/reused %.2f)\n",
        reused.rate, reused.cpuUs, layer.rate / reused.rate);
    return layer.rate / reused.rate;
}

// MB/s of the body streamed through the channel; 0 when it failed.
double BodyThroughTheChannel(uint16_t port, uint64_t total, const std::string& block) {
    const auto start = Clock::now();
    net::AsyncHttpChannel channel;
    channel.Create(nullptr);
    channel.SetTimeout(net::GetTransportTimings().uploadTimeoutMs);
    if (!channel.Open(u"Norvel") || !channel.ApplyOptions() || !channel.AttachCallback() ||
        !channel.Connect(u"127.0.0.1", port) || !channel.OpenRequest(u"POST", u"/_admin/sink") ||
        !channel.SendRequest(u"Content-Type: application/octet-stream\r\n", "", total))
        return 0;
    for (uint64_t sent = 0; sent < total;) {
        const size_t offset = size_t(sent % block.size());
        const size_t piece =
            size_t(std::min<uint64_t>({kPiece, total - sent, block.size() - offset}));
        size_t written = 0;
        if (!channel.Write(block.data() + offset, piece, written))
            return 0;
        sent += written;  // the engine reports progress here
    }
    char reply[512];
    size_t length = 0;
    if (!channel.EndRequest() || channel.QueryStatusCode() != 200 ||
        !channel.ReadOnce(reply, sizeof reply, length))
        return 0;
    return double(total) / SecondsSince(start) / 1e6;
}

// MB/s of the curl program posting the file, by its own clock; 0 when it failed.
double BodyThroughCurl(uint16_t port, const std::string& file) {
    const auto output = platform::RunProgramOutput(
        {"curl", "-s", "-o", "/dev/null", "-w", "%{http_code} %{size_upload} %{time_total}", "-H",
         "Expect:", "-H", "Content-Type: application/octet-stream", "--data-binary", "@" + file,
         "http://127.0.0.1:" + std::to_string(port) + "/_admin/sink"},
        600000);
    long status = 0;
    double bytes = 0;
    double seconds = 0;
    if (!output || std::sscanf(output->c_str(), "%ld %lf %lf", &status, &bytes, &seconds) != 3 ||
        status != 200 || seconds <= 0)
        return 0;
    return bytes / seconds / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smallOnly = argc > 1 && std::string(argv[1]) == "small";
    const uint64_t total = uint64_t(argc > 1 && !smallOnly ? std::atoi(argv[1]) : 256) << 20;
    const std::string folder = IsolatedFolder();
    net::InitTransport();
    platform::ChildProcess service;
    if (!service.Start(NORVEL_SERVICE_BINARY,
                       {"--data", folder + "/service", "--listen", "127.0.0.1:0"})) {
        std::fprintf(stderr, "cannot start %s\n", NORVEL_SERVICE_BINARY);
        return 1;
    }
    const uint16_t port = uint16_t(std::stoi(service.ReadLine(10000).value_or("0")));

    const double small = ReportSmallRequests(port);
    if (smallOnly) {
        std::printf("small requests ratio %.2f\n", small);
        std::fflush(stdout);
        service.Stop(10000);
        fs::remove_all(folder);
        return 0;
    }

    std::string block(kBlock, '\0');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = char(i * 2654435761u >> 24);
    const std::string file = folder + "/body.bin";
    {
        std::ofstream out(file, std::ios::binary);
        for (uint64_t written = 0; written < total; written += block.size())
            out.write(block.data(),
                      std::streamsize(std::min<uint64_t>(block.size(), total - written)));
    }
    double channel = 0;
    double curl = 0;
    for (int round = 0; round < kRounds; ++round) {
        curl = std::max(curl, BodyThroughCurl(port, file));
        channel = std::max(channel, BodyThroughTheChannel(port, total, block));
    }
    const double ratio = curl > 0 ? channel / curl : 0;
    std::printf("%llu MiB body, pieces of %zu KiB, best of %d:\n",
                (unsigned long long)(total >> 20), kPiece >> 10, kRounds);
    std::printf("  AsyncHttpChannel: %7.0f MB/s\n", channel);
    std::printf("  curl program:     %7.0f MB/s\n", curl);
    std::printf("  ratio %.2f (target >= %.1f): %s\n", ratio, kTarget,
                ratio >= kTarget ? "met" : "MISSED");
    std::fflush(stdout);
    service.Stop(10000);
    fs::remove_all(folder);
    return ratio >= kTarget ? 0 : 1;
}

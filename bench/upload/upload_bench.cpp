// Uploads files with the upload engine against a running norvel-service, as anonymous
// uploads, with one worker thread per file (all at once) or with --workers N threads
// taking the files in turn, as the queue's workers run them; prints the wall time, the
// CPU time of this process (from /proc/self/stat), the wall time until the first file's
// first content bytes went out, the outcome of each file (--quiet: of failed files only)
// and the peak memory of this process (VmHWM). run_bench.sh drives it next to md5sum
// and curl on the same files in the same run.
//
//   bench_upload [--workers N] [--quiet] <service port> <work folder> <file>...

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "intake/library.h"
#include "intake/upload_context.h"
#include "net/transport_init.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "upload/driver.h"
#include "upload/upload_run.h"

namespace {

namespace fs = std::filesystem;

// Settings and logs live in the work folder: the benchmark never touches the files of the
// user who runs it.
void IsolateSettings(const std::string& folder, const std::string& port) {
    fs::create_directories(folder + "/config");
    setenv("HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    setenv("NORVEL_REGISTRY", (folder + "/config/registry.reg").c_str(), 1);
    settings::WriteString(settings::kNorvelKey, settings::kInstallPath,
                          platform::Utf8ToWide(folder));
    settings::WriteString(settings::kNorvelKey, settings::kApiHost,
                          platform::Utf8ToWide("127.0.0.1:" + port));
}

std::string PeakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return line.substr(6);
    return "unknown";
}

// User plus system CPU seconds of this process so far.
double CpuSeconds() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which is in parentheses and may hold spaces.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0;
    unsigned long long system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            user = std::stoull(field);
        if (i == 15)
            system = std::stoull(field);
    }
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
    size_t workerCount = 0;
    bool quiet = false;
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        if (std::string(argv[first]) == "--workers" && first + 1 < argc)
            workerCount = size_t(std::atoi(argv[++first]));
        else if (std::string(argv[first]) == "--quiet")
            quiet = true;
    }
    if (argc - first < 3) {
        std::fprintf(
            stderr,
            "usage: bench_upload [--workers N] [--quiet] <service port> <work folder> <file>...\n");
        return 2;
    }
    IsolateSettings(argv[first + 1], argv[first]);
    intake::CUploaderLibrary library;  // the engine's tasks take their ids from it
    net::InitTransport();
    std::vector<std::unique_ptr<intake::UploadContext>> tasks;
    std::vector<std::unique_ptr<upload::UploadRun>> runs;  // kept for the digests reported
    const int firstFile = first + 2;
    for (int i = firstFile; i < argc; ++i) {
        const fs::path path = fs::absolute(argv[i]);
        tasks.push_back(
            intake::CreateUploadContext(platform::Utf8ToWide(path.parent_path().string()),
                                        platform::Utf8ToWide(path.filename().string()),
                                        platform::kNoWindow, intake::kAnonymousUpload));
        runs.push_back(std::make_unique<upload::UploadRun>(*tasks.back()));
    }
    if (workerCount == 0 || workerCount > tasks.size())
        workerCount = tasks.size();
    std::vector<int> results(tasks.size(), -1);
    std::atomic<size_t> next{0};
    std::atomic<bool> done{false};
    double firstBlock = -1;
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    {
        // Watches the first file for its first content bytes sent (its progress moving).
        std::jthread watcher([&] {
            while (!done && tasks[0]->m_DoneSize.load() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (tasks[0]->m_DoneSize.load() > 0)
                firstBlock = elapsed();
        });
        {
            std::vector<std::jthread> workers;
            for (size_t w = 0; w < workerCount; ++w)
                workers.emplace_back([&] {
                    for (size_t i; (i = next++) < tasks.size();)
                        results[i] = upload::RunUpload(*runs[i]);
                });
        }
        done = true;
    }
    const double seconds = elapsed();
    const double cpu = CpuSeconds() - cpuStart;
    int failed = 0;
    for (size_t i = 0; i < tasks.size(); ++i) {
        if (!quiet || results[i] != 0)
            std::printf("file %s: result %d, state %d, md5 %s\n", argv[firstFile + int(i)],
                        results[i], tasks[i]->m_State, runs[i]->m_FileEntry.m_Md5.c_str());
        failed += results[i] != 0;
    }
    std::printf(
        "seconds %.3f\ncpu seconds %.3f\nfirst block seconds %.3f\nfiles %zu\npeak memory %s\n",
        seconds, cpu, firstBlock, tasks.size(), PeakMemory().c_str());
    return failed == 0 ? 0 : 1;
}

// Uploads files with the upload engine against a running norvel-service, all at once (one
// thread per file, as the queue's workers run them), as anonymous uploads; prints the
// wall time, the outcome of each file and the peak memory of this process (VmHWM).
// run_bench.sh drives it next to md5sum and curl on the same files in the same run.
//
//   bench_upload <service port> <work folder> <file>...

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "intake/upload_context.h"
#include "net/transport_timings.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "upload/driver.h"

namespace {

namespace fs = std::filesystem;

// Settings and logs live in the work folder: the benchmark never touches the files of the
// user who runs it.
void IsolateSettings(const std::string& folder, const std::string& port) {
    fs::create_directories(folder + "/config");
    setenv("HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    setenv("NORVEL_REGISTRY", (folder + "/config/registry.reg").c_str(), 1);
    settings::WriteString(settings::kNorvelKey, settings::kInstallPath, platform::Utf8ToWide(folder));
    settings::WriteString(settings::kNorvelKey, settings::kApiHost, platform::Utf8ToWide("127.0.0.1:" + port));
}

std::string PeakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return line.substr(6);
    return "unknown";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_upload <service port> <work folder> <file>...\n");
        return 2;
    }
    IsolateSettings(argv[2], argv[1]);
    net::InitTransport();
    std::vector<std::unique_ptr<intake::UploadContext>> tasks;
    for (int i = 3; i < argc; ++i) {
        const fs::path path = fs::absolute(argv[i]);
        tasks.push_back(intake::CreateUploadContext(platform::Utf8ToWide(path.parent_path().string()),
                                                    platform::Utf8ToWide(path.filename().string()),
                                                    platform::kNoWindow, intake::kAnonymousUpload));
    }
    std::vector<int> results(tasks.size(), -1);
    const auto start = std::chrono::steady_clock::now();
    {
        std::vector<std::jthread> workers;
        for (size_t i = 0; i < tasks.size(); ++i)
            workers.emplace_back([&, i] { results[i] = upload::UploadFile(*tasks[i]); });
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    int failed = 0;
    for (size_t i = 0; i < tasks.size(); ++i) {
        std::printf("file %s: result %d, state %d, md5 %s\n", argv[i + 3], results[i], tasks[i]->m_State,
                    tasks[i]->m_FileEntry.m_Md5.c_str());
        failed += results[i] != 0;
    }
    std::printf("seconds %.3f\npeak memory %s\n", seconds, PeakMemory().c_str());
    return failed == 0 ? 0 : 1;
}

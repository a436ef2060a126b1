#include "support/test_env.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

namespace norvel::test {
namespace {

std::string g_TestRoot;

std::string MakeTempFolder(const std::string& parent, const char* prefix) {
    std::string pattern = parent + "/" + prefix + "XXXXXX";
    if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "cannot create a temporary folder below " << parent;
        return {};
    }
    return pattern;
}

void SetEnv(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

pid_t g_RootOwner = 0;  // the process that made g_TestRoot

// At the exit of the process that made the folder, whether after the last test or by a
// test's own exit() (a death test's fresh process makes a folder of its own); a forked
// child that exits leaves its parent's folder alone.
void RemoveTestRoot() {
    if (g_TestRoot.empty() || getpid() != g_RootOwner || getenv("NORVEL_KEEP_TEST_FILES"))
        return;
    std::error_code ec;
    std::filesystem::remove_all(g_TestRoot, ec);
}

}  // namespace

void InstallIsolatedEnvironment() {
    // Listing the tests (ctest's discovery after each build) runs none and would not
    // reach the clean-up: no folder is made for it.
    if (GTEST_FLAG_GET(list_tests))
        return;
    const char* tmp = getenv("TMPDIR");
    g_TestRoot = MakeTempFolder(tmp && *tmp ? tmp : "/tmp", "norvel-test-");
    const std::string home = g_TestRoot + "/home";
    const std::string config = home + "/.config";
    const std::string runtime = g_TestRoot + "/run";
    for (const auto& dir : {home, config, runtime})
        std::filesystem::create_directories(dir);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    SetEnv("HOME", home);
    SetEnv("XDG_CONFIG_HOME", config);
    SetEnv("XDG_RUNTIME_DIR", runtime);
    SetEnv("NORVEL_REGISTRY", config + "/norvel/registry.reg");
    // No session bus: desktop notices of tests never reach the user's desktop. Tests of
    // the notices start a private bus of their own.
    SetEnv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime + "/no-session-bus");
    g_RootOwner = getpid();
    atexit(RemoveTestRoot);
}

const std::string& TestRoot() {
    return g_TestRoot;
}

TempDir::TempDir() : m_Path(MakeTempFolder(g_TestRoot.empty() ? "/tmp" : g_TestRoot, "tmp-")) {}

TempDir::~TempDir() {
    std::error_code ec;
    if (!m_Path.empty())
        std::filesystem::remove_all(m_Path, ec);
}

std::string TempDir::File(const std::string& name) const {
    return m_Path + "/" + name;
}

std::string SampleBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        ADD_FAILURE() << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace norvel::test

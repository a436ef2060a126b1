#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace norvel::test {

// Points HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR and NORVEL_REGISTRY into a fresh
// private folder so that no test touches the files of the user who runs it.
// Called by the shared test main() before any test runs.
void InstallIsolatedEnvironment();

// The private folder made by InstallIsolatedEnvironment().
const std::string& TestRoot();

// A temporary folder below TestRoot(), removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_Path; }
    // Path() + "/" + name.
    std::string File(const std::string& name) const;

private:
    std::string m_Path;
};

// Bytes of a small generator: incompressible, different for each seed.
std::string SampleBytes(size_t size, uint32_t seed);

// Writes bytes to a file, replacing it; fails the running test on error.
void WriteFile(const std::string& path, const std::string& bytes);
// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Asks the condition every few milliseconds until it holds (true) or the time is up
// (false, after one last try).
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace norvel::test

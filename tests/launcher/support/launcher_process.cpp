#include "support/launcher_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "control/control_protocol.h"
#include "launcher/launcher_paths.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/text.h"

namespace norvel::test {
namespace {

void CopyProgram(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(to, std::filesystem::perms::owner_all);
}

// The environment every program of these tests sees.
void PrepareEnvironment(const std::string& recordPath) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("NORVEL_STANDIN_RECORD", recordPath.c_str(), 1);
    // Qt's own allocations at exit are not the launcher's to answer for.
    setenv("LSAN_OPTIONS", "detect_leaks=0", 1);
}

}  // namespace

InstallTree::InstallTree(LibraryKind library) {
    std::filesystem::create_directories(Folder());
    CopyProgram(NORVEL_LAUNCHER_PROGRAM, Launcher());
    const std::string libraryPath = Folder() + "/" + std::string(launcher::kLibraryFile);
    if (library == LibraryKind::StandIn)
        CopyProgram(NORVEL_STANDIN_LIBRARY, libraryPath);
    else if (library == LibraryKind::Real)
        CopyProgram(NORVEL_REAL_LIBRARY, libraryPath);
    PrepareEnvironment(RecordPath());
}

std::string InstallTree::Launcher() const {
    return Folder() + "/" + std::string(launcher::kLauncherProgram);
}

std::string InstallTree::Folder() const {
    return m_Dir.File("Flinga");
}

std::vector<std::string> InstallTree::Record() const {
    std::vector<std::string> lines;
    std::istringstream text(ReadFile(RecordPath()));
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

RunningProgram::RunningProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::string& standardInput)
    : m_Process(std::make_unique<platform::ChildProcess>()) {
    // The shell joins standard error to the captured output, feeds standard input, and
    // then becomes the program (same process id).
    std::vector<std::string> shellArguments = {
        "-c", "printf %s \"$NORVEL_TEST_INPUT\" | { exec \"$0\" \"$@\" 2>&1; }", program};
    if (standardInput.empty())
        shellArguments[1] = "exec \"$0\" \"$@\" 2>&1";
    shellArguments.insert(shellArguments.end(), arguments.begin(), arguments.end());
    setenv("NORVEL_TEST_INPUT", standardInput.c_str(), 1);
    EXPECT_TRUE(m_Process->Start("/bin/sh", shellArguments)) << program;
}

RunningProgram::~RunningProgram() {
    if (m_Process->Running())
        m_Process->Stop(5000);
}

int RunningProgram::Pid() const {
    return m_Process->Pid();
}

std::optional<int> RunningProgram::Wait(std::chrono::milliseconds wait) {
    return m_Process->Wait(static_cast<uint32_t>(wait.count()));
}

void RunningProgram::Signal(const std::string& name) const {
    (void)platform::RunProgramOutput({"kill", "-" + name, std::to_string(Pid())}, 5000);
}

std::string RunningProgram::Output() {
    while (auto line = m_Process->ReadLine(200))
        m_Output += *line + "\n";
    return m_Output;
}

ProgramResult RunToEnd(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& standardInput) {
    RunningProgram running(program, arguments, standardInput);
    ProgramResult result;
    (void)running.Output();  // drains the pipe while the program runs
    const auto status = running.Wait(std::chrono::seconds(60));
    EXPECT_TRUE(status) << program << " did not end";
    result.status = status.value_or(-1);
    result.output = running.Output();
    return result;
}

std::string PluginSocketPath() {
    return launcher::PipePath(platform::RuntimeDir(),
                              platform::WideToUtf8(platform::CurrentUserName()));
}

std::string ControlSocketPathForTests() {
    return control::ControlSocketPath(platform::RuntimeDir());
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::unique_ptr<RunningProgram> StartLauncher(const InstallTree& install,
                                              const std::vector<std::string>& arguments) {
    // A socket file left by an earlier launcher does not count: the new one replaces it.
    const auto socketId = [] {
        struct Id {
            bool exists = false;
            std::filesystem::file_time_type time;
            bool operator==(const Id&) const = default;
        };
        std::error_code ec;
        const auto time = std::filesystem::last_write_time(PluginSocketPath(), ec);
        return ec ? Id{} : Id{true, time};
    };
    const auto before = socketId();
    auto launcher = std::make_unique<RunningProgram>(install.Launcher(), arguments);
    EXPECT_TRUE(WaitUntil([&] {
        const auto now = socketId();
        return now.exists && !(now == before);
    })) << launcher->Output();
    return launcher;
}

std::string SendProgram() {
    return NORVEL_SEND_PROGRAM;
}

}  // namespace norvel::test

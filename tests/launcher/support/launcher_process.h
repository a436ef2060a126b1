#pragma once

// Running the launcher and its plug-in client as separate programs in the tests.
//
// An InstallTree is a temporary install: <root>/Flinga/Norvel_Flinga (a copy of the built
// launcher), with the stand-in library (or the real one, or none) beside it. The
// programs run with the test's private environment, the offscreen Qt platform, and the
// stand-in's record file NORVEL_STANDIN_RECORD.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/test_env.h"

namespace platform {
class ChildProcess;
}

namespace norvel::test {

enum class LibraryKind { StandIn, Real, None };

class InstallTree {
public:
    explicit InstallTree(LibraryKind library = LibraryKind::StandIn);

    const std::string& Root() const { return m_Dir.Path(); }
    std::string Launcher() const;
    std::string Folder() const;  // <root>/Flinga
    // The stand-in's record so far, one call a line.
    std::vector<std::string> Record() const;
    std::string RecordPath() const { return m_Dir.File("record.txt"); }

private:
    TempDir m_Dir;
};

// A program with its standard output and error on one pipe.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& standardInput = {});
    ~RunningProgram();

    int Pid() const;
    // The exit status once it ended within the wait; empty while it runs.
    std::optional<int> Wait(std::chrono::milliseconds wait);
    // Sends the signal named like "TERM", "INT" or "KILL".
    void Signal(const std::string& name) const;
    // Everything it wrote until it ended (after Wait).
    std::string Output();

private:
    std::unique_ptr<platform::ChildProcess> m_Process;
    std::string m_Output;
};

// The exit status and output of a program run to its end (at most 60 s).
struct ProgramResult {
    int status = -1;
    std::string output;
};
ProgramResult RunToEnd(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& standardInput = {});

// The plug-in socket of this user in the test's runtime folder.
std::string PluginSocketPath();
std::string ControlSocketPathForTests();

// True when the lines hold that line.
bool HasLine(const std::vector<std::string>& lines, const std::string& line);

// Starts the launcher of the install and waits until it listens on the plug-in socket.
std::unique_ptr<RunningProgram> StartLauncher(const InstallTree& install,
                                              const std::vector<std::string>& arguments);

// The built norvel-flinga-send.
std::string SendProgram();

}  // namespace norvel::test

#pragma once

// The launcher program: one running copy per user, which loads the uploader library,
// relays the plug-in's requests to it and ends when the library asks.

namespace launcher {

// Exit statuses of the launcher.
inline constexpr int kExitNormal = 0;          // ended normally, or another copy runs already
inline constexpr int kExitStartFailed = 1;     // runtime folder, settings or plug-in socket
inline constexpr int kExitLibraryMissing = 2;  // the library or one of its exports is missing

// The message shown when the library cannot be loaded.
inline constexpr char kLibraryMissingMessage[] =
    "Norvel_Flinga.dll文件可能丢失，如文件丢失请您重新安装Flinga！";

class CNorvelFlingaApp {
public:
    CNorvelFlingaApp() = default;
    CNorvelFlingaApp(const CNorvelFlingaApp&) = delete;
    CNorvelFlingaApp& operator=(const CNorvelFlingaApp&) = delete;

    // Start, the hidden window's loop and the exit, in this order; the exit status.
    int Run(int argc, char** argv);
};

}  // namespace launcher

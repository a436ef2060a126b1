#pragma once

// Names and places shared by the launcher, its plug-in client and the tests: the programs
// of an install (<install>/Flinga/...), and the files of the per-user runtime folder.

#include <string>
#include <string_view>

namespace launcher {

inline constexpr std::string_view kLauncherProgram = "Norvel_Flinga";
inline constexpr std::string_view kLibraryFile = "libNorvel_flinga.so";
inline constexpr std::string_view kUpdaterProgram = "Norvel_update";
inline constexpr std::string_view kProgramFolder = "Flinga";

// The first argument that means "the user started the program": show the mini window.
inline constexpr std::string_view kShortcutArgument = "-shortcut";
// The first argument the plug-in client starts the launcher with: serve a request, show
// nothing until it arrives. (Any argument other than "-shortcut" does the same.)
inline constexpr std::string_view kRequestArgument = "-request";

// The single-instance lock "PC_NORVEL_FLINGA".
std::string InstanceLockPath(const std::string& runtimeDir);
// The plug-in socket: "norveluploaderpluginpipe" followed by the user's name.
std::string PipePath(const std::string& runtimeDir, const std::string& userName);
// The wake event "NorvelUploader".
std::string WakeEventPath(const std::string& runtimeDir);

// The folder of a path (everything before its last "/"); "" when there is none.
std::string FolderOf(std::string_view path);

}  // namespace launcher

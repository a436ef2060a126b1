// norvel-flinga-send: the file manager's way into the uploader. See send_command.h for
// the command line and exit_codes.h for the exit statuses.

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "control/control_protocol.h"
#include "launcher/launcher_paths.h"
#include "platform/system.h"
#include "platform/terminal.h"
#include "platform/text.h"
#include "send/control_commands.h"
#include "send/desktop_notice.h"
#include "send/exit_codes.h"
#include "send/login_command.h"
#include "send/plugin_client.h"
#include "send/request_paths.h"
#include "send/send_command.h"
#include "settings/settings.h"

namespace {

using namespace send;

void PrintPaths(const char* what, const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        std::cerr << "norvel-flinga-send: " << what << ": " << path << "\n";
}

std::string WorkingDir() {
    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    return ec ? std::string("/") : cwd.string();
}

// The launcher beside this program; NORVEL_LAUNCHER names another one.
std::string LauncherPath() {
    if (const char* other = std::getenv("NORVEL_LAUNCHER"); other && *other)
        return other;
    return launcher::FolderOf(platform::ExecutablePath()) + "/" +
           std::string(launcher::kLauncherProgram);
}

int ExitStatusOf(SendOutcome outcome) {
    return outcome == SendOutcome::Delivered ? kExitOk : kExitNoAnswer;
}

int RunRequest(const SendCommand& command, const std::string& runtimeDir) {
    const RequestPaths paths = BuildRequestPaths(RequestKind(command.kind), command.paths, WorkingDir());
    PrintPaths("no such file or folder", paths.missing);
    PrintPaths("a request cannot carry this path (too long, or not UTF-8)", paths.uncarriable);
    if (!paths.missing.empty())
        return kExitMissingPath;
    if (!paths.uncarriable.empty())
        return kExitUncarriable;
    PrintPaths("skipped (a hidden, temporary or system file)", paths.refused);

    PluginClientOptions options;
    options.socketPath =
        launcher::PipePath(runtimeDir, platform::WideToUtf8(platform::CurrentUserName()));
    options.wakeEventPath = launcher::WakeEventPath(runtimeDir);
    options.launcherPath = LauncherPath();
    options.answerTimeoutMs = command.waitMs;
    // An empty batch is sent all the same: the uploader tells the user on the desktop that
    // there was nothing to upload.
    const SendResult result = SendBatchToLauncher(paths.batch, options);
    if (result.outcome != SendOutcome::Delivered) {
        std::cerr << "norvel-flinga-send: " << result.detail << "\n";
        return ExitStatusOf(result.outcome);
    }
    if (paths.batch.empty()) {
        std::cerr << "norvel-flinga-send: nothing to upload\n";
        return kExitNothingToSend;
    }
    // Uploads and Weibo posts wait in the uploader for a login (a share link may be made
    // anonymously); the login command hands them on.
    if (command.kind != CommandKind::Share && !settings::HasUsableSavedLogin()) {
        std::cerr << "norvel-flinga-send: not logged in: run norvel-flinga-send login NAME; the "
                     "files will be uploaded after the login\n";
        return kExitWaitsForLogin;
    }
    return kExitOk;
}

int RunLoginCommand(const SendCommand& command) {
    const auto password = platform::ReadSecretLine("Password for " + command.userName + ": ");
    if (!password) {
        std::cerr << "norvel-flinga-send: no password given\n";
        return kExitUsage;
    }
    const auto readCaptcha = [](const std::string& url) {
        std::cerr << "norvel-flinga-send: the service wants a captcha: open " << url << "\n";
        return platform::ReadPromptedLine("Captcha text: ");
    };
    const int status = RunLogin(&actions::LoginForCommandLine, readCaptcha, command.userName,
                                *password, std::cerr);
    const std::string runtimeDir = platform::RuntimeDir();
    if (status == kExitOk && !runtimeDir.empty())
        TellUploaderOfLogin(control::ControlSocketPath(runtimeDir), command.waitMs, std::cerr);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const send::CDesktopNotice notice;  // what is refused also reaches the desktop
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string error;
    const auto command = ParseCommand(arguments, &error);
    if (!command) {
        std::cerr << "norvel-flinga-send: " << error << "\n" << UsageText();
        return kExitUsage;
    }
    if (command->kind == CommandKind::Help) {
        std::cout << UsageText();
        return kExitOk;
    }
    if (command->kind == CommandKind::Login)
        return RunLoginCommand(*command);
    const std::string runtimeDir = platform::RuntimeDir();
    if (runtimeDir.empty()) {
        std::cerr << "norvel-flinga-send: the runtime folder cannot be used\n";
        return kExitFailed;
    }
    if (command->kind == CommandKind::Message || command->kind == CommandKind::Status)
        return RunControlCommand(command->request, control::ControlSocketPath(runtimeDir),
                                 command->waitMs, std::cout, std::cerr);
    return RunRequest(*command, runtimeDir);
}

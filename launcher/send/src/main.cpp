// norvel-flinga-send: the file manager's way into the uploader. See send_command.h for
// the command line and exit_codes.h for the exit statuses.

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "control/control_protocol.h"
#include "launcher/install_setup.h"
#include "launcher/launcher_paths.h"
#include "platform/system.h"
#include "platform/terminal.h"
#include "platform/text.h"
#include "send/config_command.h"
#include "send/control_commands.h"
#include "send/desktop_notice.h"
#include "send/exit_codes.h"
#include "send/log_command.h"
#include "send/login_command.h"
#include "send/logout_command.h"
#include "send/plugin_client.h"
#include "send/request_paths.h"
#include "send/send_command.h"
#include "send/service_probe.h"
#include "settings/service_hosts.h"
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
    const RequestPaths paths =
        BuildRequestPaths(RequestKind(command.kind), command.paths, WorkingDir());
    PrintPaths("no such file or folder", paths.missing);
    PrintPaths("a request cannot carry this path (too long, or not UTF-8)", paths.uncarriable);
    if (!paths.missing.empty())
        return kExitMissingPath;
    // A path a request cannot carry is left out and named; the files that can be carried
    // (the rest of a folder holding such a file) are still sent. Only when nothing is left
    // is nothing sent.
    if (!paths.uncarriable.empty() && paths.batch.empty())
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
    return paths.uncarriable.empty() ? kExitOk : kExitUncarriable;
}

// The install path as the launcher settles it, so that what the client stores or reads
// (the login's settings, the log folder) is where the launcher looks.
void SettleInstallPath() {
    if (launcher::CreateLauncherKeys())
        (void)launcher::LauncherInstallPath(LauncherPath());
}

int RunLoginCommand(const SendCommand& command) {
    SettleInstallPath();
    const auto password = platform::ReadSecretLine("Password for " + command.userName + ": ");
    if (!password) {
        std::cerr << "norvel-flinga-send: no password given\n";
        return kExitUsage;
    }
    const auto readCaptcha = [](const std::string& url) {
        std::cerr << "norvel-flinga-send: the service wants a captcha: open " << url << "\n";
        return platform::ReadPromptedLine("Captcha text: ");
    };
    const auto explainNoReply = [] {
        const settings::ServiceHost host = settings::GetApiHost();
        const std::string why = probe::WhyUnreachable(host);
        return why.empty() ? why : probe::HostAddress(host) + ": " + why;
    };
    const int status = RunLogin(&actions::LoginForCommandLine, readCaptcha, command.userName,
                                *password, std::cerr, explainNoReply);
    const std::string runtimeDir = platform::RuntimeDir();
    if (status == kExitOk && !runtimeDir.empty())
        TellUploaderOfLogin(control::ControlSocketPath(runtimeDir), command.waitMs, std::cerr);
    return status;
}

// The commands that need no runtime folder.
std::optional<int> RunLocalCommand(const SendCommand& command) {
    switch (command.kind) {
        case CommandKind::Help:
            std::cout << UsageText();
            return kExitOk;
        case CommandKind::Version:
            std::cout << "norvel-flinga-send " NORVEL_SEND_VERSION "\n";
            return kExitOk;
        case CommandKind::Login:
            return RunLoginCommand(command);
        case CommandKind::Config:
            return RunConfigCommand(command.configAction, command.configKey, command.configValue,
                                    std::cout, std::cerr);
        case CommandKind::Log: {
            SettleInstallPath();
            LogFollow follow;
            follow.follow = command.follow;
            return RunLogCommand(UploaderLogFolder(launcher::FolderOf(platform::ExecutablePath())),
                                 follow, std::cout, std::cerr);
        }
        default:
            return std::nullopt;
    }
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
    if (const auto status = RunLocalCommand(*command))
        return *status;
    const std::string runtimeDir = platform::RuntimeDir();
    if (runtimeDir.empty()) {
        std::cerr << "norvel-flinga-send: the runtime folder cannot be used\n";
        return kExitFailed;
    }
    const std::string controlSocket = control::ControlSocketPath(runtimeDir);
    switch (command->kind) {
        case CommandKind::Message:
        case CommandKind::Status:
            return RunControlCommand(command->request, controlSocket, command->waitMs, std::cout,
                                     std::cerr, command->rawStates);
        case CommandKind::Quit:
            return RunQuit(controlSocket, command->waitMs, std::cerr);
        case CommandKind::Logout:
            return RunLogout(controlSocket, command->waitMs, std::cerr);
        default:
            return RunRequest(*command, runtimeDir);
    }
}

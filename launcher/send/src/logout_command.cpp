#include "send/logout_command.h"

#include <ostream>
#include <string_view>

#include "control/control_client.h"
#include "platform/text.h"
#include "send/control_commands.h"
#include "send/exit_codes.h"
#include "settings/registry_values.h"

namespace send {
namespace {

constexpr std::u16string_view kLoginValues[] = {
    settings::kUserToken, settings::kUserName,        settings::kUserId,
    settings::kKeepLogin, settings::kSystemStartTime,
};

bool IsStored(std::u16string_view name) {
    return settings::ReadString(settings::kFlingaKey, name) ||
           settings::ReadDword(settings::kFlingaKey, name);
}

// A value that was not there counts as removed.
bool ForgetSavedLogin() {
    bool forgotten = true;
    for (const std::u16string_view name : kLoginValues)
        if (!settings::DeleteValue(settings::kFlingaKey, name) && IsStored(name))
            forgotten = false;
    return forgotten;
}

bool UploaderRuns(const std::string& socketPath) {
    control::ControlRequest status;
    status.kind = control::ControlRequest::Kind::Status;
    return control::CallControl(socketPath, status, 2000).error != control::ControlError::NoServer;
}

}  // namespace

int RunLogout(const std::string& controlSocketPath, uint32_t timeoutMs, std::ostream& err) {
    const auto name = settings::ReadString(settings::kFlingaKey, settings::kUserName);
    if (!ForgetSavedLogin()) {
        err << "norvel-flinga-send: the settings file could not be written; still logged in\n";
        return kExitFailed;
    }
    if (name && !name->empty())
        err << "norvel-flinga-send: logged out " << platform::WideToUtf8(*name) << "\n";
    else
        err << "norvel-flinga-send: no login was saved\n";
    if (controlSocketPath.empty() || !UploaderRuns(controlSocketPath))
        return kExitOk;
    err << "norvel-flinga-send: ending the running uploader (its task list is saved)\n";
    const int quit = RunQuit(controlSocketPath, timeoutMs, err);
    return quit == kExitRefused ? kExitOk : quit;  // no main window: nothing used the login
}

}  // namespace send

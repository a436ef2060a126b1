#include "send/login_command.h"

#include <ostream>

#include "platform/system.h"
#include "platform/text.h"
#include "send/exit_codes.h"
#include "settings/settings.h"

namespace send {
namespace {

constexpr int kPrepareOk = 0;
constexpr int kPrepareNoCaptcha = 1002;
constexpr int kTryAgain = 1003;
constexpr int kNoReply = 1000;

int Refusal(const AuthOutcome& outcome, std::ostream& err) {
    if (outcome.code == kNoReply) {
        err << "norvel-flinga-send: the service did not answer\n";
        return kExitServiceFailed;
    }
    if (outcome.code == kTryAgain) {
        err << "norvel-flinga-send: the service asks to try again\n";
        return kExitServiceFailed;
    }
    if (outcome.captchaRequested) {
        err << "norvel-flinga-send: the service wants a captcha for this account; log in from "
               "the login window\n";
        return kExitLoginRefused;
    }
    if (outcome.loginText == u"false") {
        err << "norvel-flinga-send: wrong account or password";
        if (!outcome.errorText.empty())
            err << " (" << platform::WideToUtf8(outcome.errorText) << ")";
        err << "\n";
        return kExitLoginRefused;
    }
    err << "norvel-flinga-send: the login failed (the service's answer could not be used)\n";
    return kExitServiceFailed;
}

}  // namespace

int RunLogin(const CLoginSteps* steps, const std::string& userName, const std::string& password,
             std::ostream& err) {
    if (!steps) {
        err << "norvel-flinga-send: login is not available yet: this build has no account actions\n";
        return kExitNotAvailable;
    }
    if (!steps->ensureClientIdentity()) {
        err << "norvel-flinga-send: the client identity could not be obtained from the service\n";
        return kExitServiceFailed;
    }
    const std::u16string name = platform::Utf8ToWide(userName);
    // The first step names the account being logged in.
    settings::SetUserName(name);
    const int prepared = steps->prepare();
    if (prepared != kPrepareOk && prepared != kPrepareNoCaptcha) {
        err << (prepared == kTryAgain ? "norvel-flinga-send: the service asks to try again\n"
                                      : "norvel-flinga-send: the service did not answer\n");
        return kExitServiceFailed;
    }
    const AuthOutcome outcome =
        steps->authenticate(name, platform::Utf8ToWide(password), platform::ComputerName());
    if (outcome.code != 0)
        return Refusal(outcome, err);
    settings::LoginCompletion completion;
    completion.keepLogin = true;
    completion.userName = name;
    completion.token = outcome.token;
    completion.userIdUtf8 = outcome.userIdUtf8;
    if (!settings::SaveLoginCompletion(completion)) {
        err << "norvel-flinga-send: Save Reg ERROR: the login could not be stored\n";
        return kExitFailed;
    }
    err << "norvel-flinga-send: logged in as " << userName << "\n";
    return kExitOk;
}

}  // namespace send

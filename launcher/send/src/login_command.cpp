#include "send/login_command.h"

#include <ostream>

#include "platform/text.h"
#include "send/exit_codes.h"

namespace send {
namespace {

using actions::CommandLineLoginOutcome;
using actions::CommandLineLoginResult;

// A service that keeps asking for captchas is not asked forever.
constexpr int kCaptchaTries = 3;

// A step that got no HTTP status at all never reached the service.
bool ReachedNobody(const CommandLineLoginResult& result) {
    return result.errorCode == 0 && (result.outcome == CommandLineLoginOutcome::ServiceError ||
                                     result.outcome == CommandLineLoginOutcome::NoClientIdentity);
}

int Report(const CommandLineLoginResult& result, const std::string& userName, std::ostream& err,
           const UnreachableExplainer& explainNoReply) {
    if (ReachedNobody(result) && explainNoReply) {
        if (const std::string why = explainNoReply(); !why.empty()) {
            err << "norvel-flinga-send: the service could not be reached: " << why << "\n";
            return kExitServiceFailed;
        }
    }
    switch (result.outcome) {
        case CommandLineLoginOutcome::LoggedIn:
            err << "norvel-flinga-send: logged in as " << userName << "\n";
            return kExitOk;
        case CommandLineLoginOutcome::WrongPassword:
            err << "norvel-flinga-send: wrong account or password";
            if (!result.errorText.empty())
                err << " (" << platform::WideToUtf8(result.errorText) << ")";
            err << "\n";
            return kExitLoginRefused;
        case CommandLineLoginOutcome::CaptchaRequired:
            err << "norvel-flinga-send: the service wants a captcha and none was given\n";
            return kExitLoginRefused;
        case CommandLineLoginOutcome::TryAgain:
            err << "norvel-flinga-send: the service asks to try again\n";
            return kExitServiceFailed;
        case CommandLineLoginOutcome::NoClientIdentity:
            err << "norvel-flinga-send: the client identity could not be obtained from the "
                   "service\n";
            return kExitServiceFailed;
        case CommandLineLoginOutcome::NotSaved:
            err << "norvel-flinga-send: Save Reg ERROR: the login could not be stored\n";
            return kExitFailed;
        case CommandLineLoginOutcome::ServiceError:
            break;
    }
    err << "norvel-flinga-send: the login failed: the service did not answer usably (code "
        << result.code << ", " << result.errorCode << ")\n";
    return kExitServiceFailed;
}

}  // namespace

int RunLogin(const LoginSteps& login, const CaptchaReader& readCaptcha, const std::string& userName,
             const std::string& password, std::ostream& err,
             const UnreachableExplainer& explainNoReply) {
    const std::u16string name = platform::Utf8ToWide(userName);
    const std::u16string secret = platform::Utf8ToWide(password);
    CommandLineLoginResult result = login(name, secret, {}, {});
    for (int tries = 0;
         result.outcome == CommandLineLoginOutcome::CaptchaRequired && tries < kCaptchaTries;
         ++tries) {
        const auto captcha = readCaptcha(platform::WideToUtf8(result.captchaUrl));
        if (!captcha || captcha->empty())
            break;
        const std::u16string captchaId = result.captchaId;
        result = login(name, secret, platform::Utf8ToWide(*captcha), captchaId);
    }
    return Report(result, userName, err, explainNoReply);
}

}  // namespace send

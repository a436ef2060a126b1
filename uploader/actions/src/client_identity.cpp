#include "actions/client_identity.h"

#include "action_text.h"
#include "json/json.h"
#include "log/log.h"
#include "log/log_events.h"
#include "settings/service_hosts.h"
#include "tools/md5.h"

namespace actions {
namespace {

constexpr int kHandshakeTries = 3;

}  // namespace

int CInitClientIDAction::Execute() {
    int result = -1;
    for (int attempt = 0; attempt < kHandshakeTries && result != 0; ++attempt)
        result = RequestIdentity();
    return result;
}

int CInitClientIDAction::RequestIdentity() {
    const auto NoReply = [this](std::u16string_view operation) {
        if (m_ReplyLength == 0)
            Log().WriteErrorCode(m_ErrorCode, L3_KEY, log_events::kHttpReturnBodyLength0,
                                 operation);
        return -1;
    };
    const settings::ServiceHost host = settings::GetApiHost();
    const auto offer = PostForm(host, u"/app/pc/clientid.init.php", std::nullopt);
    if (!offer)
        return NoReply(u"OP=InitClientIDAction");
    std::string secret;
    std::string clientId;
    try {
        secret = Scalar(*offer, "secret");
        const std::string seed = Scalar(*offer, "seed");
        tools::Md5Hex((seed + secret).data(), seed.size() + secret.size(), clientId);
    } catch (...) {
        RecordException();
        return -1;
    }

    const auto answer =
        PostForm(host, u"/app/pc/clientid.auth.php", "cid=" + clientId + "&secret=" + secret);
    if (!answer)
        return NoReply(u"OP=InitClientIDAction2");
    try {
        if (Scalar(*answer, "success") == "false") {
            Scalar(*answer, "error");  // the refusal's text is not shown
            return -1;
        }
    } catch (...) {
        RecordException();
        return -1;
    }
    m_ClientId = FromAnsi(clientId);
    m_ClientSecret = FromAnsi(secret);
    return 0;
}

}  // namespace actions

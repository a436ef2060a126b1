#include "actions/client_identity.h"
#include "log/log.h"
#include "log/log_events.h"
#include "settings/settings.h"

namespace actions {

int EnsureClientIdentity() {
    settings::GetChanger();  // the computer name, cached for the log header
    const std::u16string storedId = settings::GetClientId();
    if (!storedId.empty() && !settings::GetClientSecret().empty())
        return 1;

    CInitClientIDAction action;
    const int result = action.Execute();
    const ClientIdentity identity = action.GetIdentity();
    if (result != 0) {
        Log().Write(L4_INF, log_events::kAuthLogin, false, u"DESC=GetClientID Failure",
                    u"s_clientid=" + identity.clientId);
        return 0;
    }
    if (identity.clientId.empty() || identity.clientSecret.empty()) {
        // The secret itself never goes into a log file: only whether one came.
        Log().Write(L4_INF, log_events::kAuthLogin, false, u"DESC=GetClientID and Secret Failure",
                    u"s_clientid=" + identity.clientId,
                    identity.clientSecret.empty() ? u"Secret=" : u"Secret=***");
        return 0;
    }
    settings::SetClientId(identity.clientId);
    settings::SetClientSecret(identity.clientSecret);
    return 1;
}

}  // namespace actions

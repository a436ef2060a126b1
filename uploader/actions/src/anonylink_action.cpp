#include "actions/anonylink_action.h"

#include "action_text.h"
#include "settings/service_hosts.h"
#include "settings/settings.h"
#include "tools/url_encode.h"

namespace actions {

CCreateAnonylinkAction::CCreateAnonylinkAction(const std::vector<AnonymousFile>& files) {
    if (files.empty())
        return;
    m_Attachments = "{";
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string file = JsonObjectText({{"name", tools::UrlEncode(ToUtf8(files[i].first))},
                                                 {"kdwurl", ToUtf8(files[i].second)}});
        m_Attachments += (i ? ",\"" : "\"") + std::to_string(i) + "\":" + file;
    }
    m_Attachments += "}";
}

std::string CCreateAnonylinkAction::RequestBody() const {
    return "attachments=" + m_Attachments + "&cname=" + ToUtf8(settings::GetChanger()) +
           "&form=norvel_external_link";
}

int CCreateAnonylinkAction::Execute() {
    if (m_Attachments.empty()) {
        m_ErrorCode = -1;  // nothing to link: no request
        return -1;
    }
    return RequestLink(settings::GetApiHost(), u"/app/pc/anonymous_createlink.php", RequestBody());
}

}  // namespace actions

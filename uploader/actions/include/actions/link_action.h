#pragma once

// What the two share-link actions have in common: the link's address and title, read
// from a reply of status 200; a reply of status 400 is a refusal ("errno", "error").
// Every failure leaves both empty; the HTTP status or the code of the reply's fault stays
// in m_ErrorCode for the dialog to report.

#include <string>
#include <string_view>

#include "net/action.h"

namespace actions {

class CLinkAction : public net::CAction {
public:
    const std::string& GetUrl() const { return m_Url; }
    const std::string& GetTitle() const { return m_Title; }

protected:
    // Sends the body to the host's path and takes the link from the reply: 0, or -1.
    int RequestLink(const settings::ServiceHost& host, std::u16string_view path,
                    const std::string& body);

private:
    int TakeLink(const Script::JsonObject& reply);

    std::string m_Url;    // the link's address (8-bit, as received)
    std::string m_Title;  // the link's title (8-bit, as received)
};

}  // namespace actions

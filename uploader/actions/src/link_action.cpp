#include "actions/link_action.h"

#include "action_text.h"
#include "json/json.h"

namespace actions {
namespace {

constexpr int kStatusOk = 200;

}  // namespace

int CLinkAction::RequestLink(const settings::ServiceHost& host, std::u16string_view path,
                             const std::string& body) {
    m_Url.clear();
    m_Title.clear();
    const auto reply = PostForm(host, path, body);
    if (!reply)
        return -1;
    try {
        return TakeLink(*reply);
    } catch (...) {
        RecordException();
        return -1;
    }
}

int CLinkAction::TakeLink(const Script::JsonObject& reply) {
    if (m_ErrorCode != kStatusOk) {
        // A refusal: read, not kept; a 400 reply never sets the link, even with a "url".
        Scalar(reply, "errno");
        Scalar(reply, "error");
        return -1;
    }
    std::string url = Scalar(reply, "url");
    std::string title = Scalar(reply, "title");
    if (url.empty())
        return -1;  // a link without an address is no link
    m_Url = std::move(url);
    m_Title = std::move(title);
    return 0;
}

}  // namespace actions
